// The stand-in for the game's RuZoriru.exe: a windowless GUI program, like
// the game, that records how it was started and ends. It learns where to
// write from its environment; see game_report.h for what it records.
#include <stdlib.h>
#include <windows.h>
#include <winternl.h>

#include <string>

#include "player/files.h"
#include "player/game_report.h"

namespace varnix_e2e {
namespace {

// NtQueryInformationProcess's class for the process priority class.
constexpr PROCESSINFOCLASS ProcessPriorityClassInformation =
    static_cast<PROCESSINFOCLASS>(18);
struct KernelPriorityClass {
  BOOLEAN foreground;
  UCHAR priorityClass;
};

// Long enough for any test to release a held game, short enough that a game
// nobody releases does not linger.
constexpr DWORD HoldTimeoutMs = 60000;

std::string HandleState(const std::string& value) {
  const HANDLE handle = reinterpret_cast<HANDLE>(
      static_cast<ULONG_PTR>(strtoul(value.c_str(), nullptr, 16)));
  DWORD flags;
  // The type as well as the validity: the value may happen to name some
  // other handle of the game's own.
  return GetHandleInformation(handle, &flags) &&
                 GetFileType(handle) == FILE_TYPE_PIPE
             ? "inherited"
             : "absent";
}

std::string Hold(const std::string& eventName) {
  const HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, eventName.c_str());
  if (!event) return "no such event";
  const DWORD waited = WaitForSingleObject(event, HoldTimeoutMs);
  CloseHandle(event);
  return waited == WAIT_OBJECT_0 ? "released" : "timed out";
}

// Written beside the report's place and then moved there, so that whoever
// waits for the report never reads half of it.
void WriteReport(const std::string& path, const std::string& text) {
  const std::string part = path + ".part";
  if (WriteBytes(part, text)) {
    MoveFileExW(WideName(part).c_str(), WideName(path).c_str(),
                MOVEFILE_REPLACE_EXISTING);
  }
}

}  // namespace
}  // namespace varnix_e2e

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace varnix_e2e;
  GameReport report;
  // Its instructions are read from the wide block, in UTF-8, rather than
  // through an ANSI call: a value may hold what the game's ANSI code page
  // cannot spell, and under Wine GetEnvironmentVariableA cuts a value in a
  // double-byte code page to as many bytes as it has characters.
  report.environment = CurrentEnvironment();
  std::string reportFile;
  if (!report.FindVariable(ReportFileVariable, &reportFile)) return 1;
  report.commandLine = GetCommandLineA();
  report.wideCommandLine = WideToUtf8(GetCommandLineW());
  // A folder of MAX_PATH characters takes up to three times as many bytes
  // in UTF-8.
  char directory[3 * MAX_PATH + 1] = "";
  if (GetCurrentDirectoryA(sizeof directory, directory) < sizeof directory) {
    report.currentDirectory = directory;
  }
  wchar_t wideDirectory[MAX_PATH + 1] = L"";
  if (GetCurrentDirectoryW(MAX_PATH + 1, wideDirectory) <= MAX_PATH) {
    report.wideCurrentDirectory = WideToUtf8(wideDirectory);
  }

  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  report.startupFlags = startup.dwFlags;
  report.showWindow = startup.wShowWindow;
  report.reservedBytes = startup.cbReserved2;
  report.stdInput = static_cast<unsigned long>(
      reinterpret_cast<ULONG_PTR>(startup.hStdInput));
  report.stdOutput = static_cast<unsigned long>(
      reinterpret_cast<ULONG_PTR>(startup.hStdOutput));
  report.hasTitle = startup.lpTitle != nullptr;
  if (startup.lpTitle) report.title = startup.lpTitle;

  report.priorityClass = GetPriorityClass(GetCurrentProcess());
  KernelPriorityClass kernelClass = {};
  if (NtQueryInformationProcess(GetCurrentProcess(),
                                ProcessPriorityClassInformation, &kernelClass,
                                sizeof kernelClass, nullptr) == 0) {
    report.kernelPriorityClass = kernelClass.priorityClass;
  }
  report.codePage = GetACP();

  std::string value;
  if (report.FindVariable(HandleVariable, &value)) {
    report.handle = HandleState(value);
  }
  if (report.FindVariable(HoldEventVariable, &value)) report.hold = Hold(value);

  WriteReport(reportFile, FormatReport(report));
  return 0;
}
