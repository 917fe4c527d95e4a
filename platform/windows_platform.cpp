#include "platform/windows_platform.h"

#include "platform/drive_variable.h"

namespace varnix {
namespace {

// Terminator included: MAX_PATH UTF-16 units at up to three UTF-8 bytes each,
// and the one byte more than that which the buffer has always had.
constexpr DWORD CurrentDirectorySize = 3 * MAX_PATH + 1;

}  // namespace

// A started program learns its drive's current directory from the "=C:"
// variable in the environment it inherits, so the directory entered here is
// recorded there too. A network directory has no drive letter to record.
bool WindowsPlatform::ChangeDirectory(const char* path) {
  if (!SetCurrentDirectoryA(path)) return false;
  char currentDirectory[CurrentDirectorySize];
  const DWORD length =
      GetCurrentDirectoryA(CurrentDirectorySize, currentDirectory);
  // Too long for the buffer: the call reports the size it needs and leaves
  // the buffer unfilled, so there is nothing to record from.
  if (length == 0 || length >= CurrentDirectorySize) return false;
  char name[4];
  if (!DriveVariableName(currentDirectory, name)) return true;
  return SetEnvironmentVariableA(name, currentDirectory) != 0;
}

const StartupInfo* WindowsPlatform::ReadStartupInfo() {
  GetStartupInfoA(&startupInfo_.record);
  return &startupInfo_;
}

// The application name carries no directory, so Windows takes it from the
// current directory alone: no path search, no extension added. The handles
// in `process` are left open; they go away with this process, which ends
// straight afterwards.
bool WindowsPlatform::StartProcess(const char* applicationName,
                                   char* commandLine,
                                   const StartupInfo* startupInfo) {
  PROCESS_INFORMATION process;
  return CreateProcessA(applicationName, commandLine, nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        const_cast<STARTUPINFOA*>(&startupInfo->record),
                        &process) != 0;
}

void WindowsPlatform::ShowWarning(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace varnix
