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

// The record as the game, a program with a window that inherits none of
// this process's handles, may use it. Started with its standard handles
// redirected (by a script capturing its output, say, or a C runtime's
// spawn), the launcher finds their values here, and often a C runtime's
// block of its open files in cbReserved2 and lpReserved2. Windows copies
// the handle fields to the child unchecked, so the game would take the
// values as its standard handles, though they name nothing in it or a
// handle it opens later, its output then going there; its C runtime would
// take the block's files. Both hold only for a child that inherits handles,
// so they are dropped. Without STARTF_USESTDHANDLES the handle fields may
// hold a shell's hotkey or monitor instead, which is kept, as is everything
// else in the record.
const StartupInfo* WindowsPlatform::ReadStartupInfo() {
  STARTUPINFOA& record = startupInfo_.record;
  GetStartupInfoA(&record);
  if (record.dwFlags & STARTF_USESTDHANDLES) {
    record.dwFlags &= ~STARTF_USESTDHANDLES;
    record.hStdInput = record.hStdOutput = record.hStdError = nullptr;
  }
  record.cbReserved2 = 0;
  record.lpReserved2 = nullptr;
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
