#include "launcher/launch.h"

#include "launcher/fixed_values.h"

namespace varnix {

bool LauncherPlatform::ChangeDirectory(const char*) { return false; }
const StartupInfo* LauncherPlatform::ReadStartupInfo() { return nullptr; }
bool LauncherPlatform::StartProcess(const char*, char*, const StartupInfo*) {
  return false;
}
void LauncherPlatform::ShowWarning(const char*, const char*) {}

namespace {

// The child command line area is static rather than a local: 64 KiB on the
// stack would need a stack probe, which the runtime-free executable lacks.
// One run per process, on one thread, so one area is enough.
char childCommandLine[CommandBufferSize];

}  // namespace

int RunLauncher(TextSlice programPath, const char* argumentTail,
                LauncherPlatform& platform) {
  // A path too long for the work area cannot name the System directory; the
  // player is told that it was not found, and nothing is started.
  if (programPath.length >= PathBufferSize) {
    platform.ShowWarning(NoSystemDirectoryText, NoSystemDirectoryCaption);
    return 0;
  }
  char path[PathBufferSize];
  for (size_t i = 0; i < programPath.length; ++i)
    path[i] = programPath.begin[i];
  path[programPath.length] = '\0';

  // The path is used whole, blanks and all: an installation under
  // "C:\Program Files" must start like any other.
  const char* component = FinalComponent(path);
  if (!MatchesLauncherName(component)) {
    platform.ShowWarning(RenamedText, FailedToLaunchCaption);
    return 0;
  }

  if (!SystemDirectoryFor(path, component, PathBufferSize) ||
      !platform.ChangeDirectory(path)) {
    platform.ShowWarning(NoSystemDirectoryText, NoSystemDirectoryCaption);
    return 0;
  }

  const StartupInfo* startupInfo = platform.ReadStartupInfo();

  // A tail that no command line could hold is never cut, and a missing one
  // is never taken for an empty one: either way the game cannot be started
  // with the player's arguments, which is a failed start.
  if (argumentTail == nullptr ||
      !ChildCommandLine(argumentTail, childCommandLine, CommandBufferSize) ||
      !platform.StartProcess(ServerFileName, childCommandLine, startupInfo)) {
    platform.ShowWarning(NotInstalledText, FailedToLaunchCaption);
  }
  return 0;
}

}  // namespace varnix
