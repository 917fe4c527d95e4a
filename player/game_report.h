// What the stand-in game records about how it was started, and the file in
// which it hands that over: one "key=value" line per item, every value's
// bytes in hexadecimal, so that a text survives as it came.
#ifndef VARNIX_PLAYER_GAME_REPORT_H
#define VARNIX_PLAYER_GAME_REPORT_H

#include <string>
#include <vector>

namespace varnix_e2e {

// How the stand-in is told what to do. They reach it only through the
// launcher, so a report at all proves that the launcher handed its
// environment on.
constexpr char ReportFileVariable[] = "VARNIX_E2E_REPORT";  // none: no report
// An event to wait for before reporting, so that whoever started the
// launcher can see the game still running after the launcher has ended.
constexpr char HoldEventVariable[] = "VARNIX_E2E_HOLD";
// A handle value, in hexadecimal, to look for in the game's own handle table.
constexpr char HandleVariable[] = "VARNIX_E2E_HANDLE";

struct GameReport {
  std::string commandLine;       // GetCommandLineA, byte for byte
  std::string currentDirectory;  // GetCurrentDirectoryA
  // The same through the wide calls, in UTF-8.
  std::string wideCommandLine;       // GetCommandLineW
  std::string wideCurrentDirectory;  // GetCurrentDirectoryW
  // Every entry of the environment block (GetEnvironmentStringsW),
  // "NAME=value" in UTF-8, in its order.
  std::vector<std::string> environment;
  unsigned long startupFlags = 0;   // STARTUPINFOA dwFlags
  unsigned long showWindow = 0;     // STARTUPINFOA wShowWindow
  unsigned long reservedBytes = 0;  // STARTUPINFOA cbReserved2
  // STARTUPINFOA hStdInput and hStdOutput, their low 32 bits: a shell's
  // hotkey and monitor where the flags say so.
  unsigned long stdInput = 0;
  unsigned long stdOutput = 0;
  bool hasTitle = false;
  std::string title;                // STARTUPINFOA lpTitle
  unsigned long priorityClass = 0;  // GetPriorityClass
  // The class as the kernel keeps it (1 idle, 2 normal, 3 high, 4 realtime,
  // 5 below normal, 6 above normal), 0 when it could not be read.
  unsigned long kernelPriorityClass = 0;
  // "inherited" when the handle named by HandleVariable is open in the game
  // and is a pipe, as the one handed in is; "absent" otherwise; empty when
  // no handle was named.
  std::string handle;
  // "released" when the hold event was set, "timed out" when the game gave
  // up waiting, empty when it was told to hold on nothing.
  std::string hold;
  unsigned long codePage = 0;  // GetACP

  // The value of the variable `name` ("=C:"), and whether there is one.
  bool FindVariable(const std::string& name, std::string* value) const;
};

// Gives `name` the value `value` in `environment`, in place of any entry of
// that name, whatever its case, as for the system; an empty value leaves
// none.
void SetVariable(std::vector<std::string>* environment, const std::string& name,
                 const std::string& value);

// This process's environment, entry by entry ("NAME=value"), in UTF-8.
std::vector<std::string> CurrentEnvironment();

std::string FormatReport(const GameReport& report);
// False when `text` is not a whole report.
bool ParseReport(const std::string& text, GameReport* report);

}  // namespace varnix_e2e

#endif  // VARNIX_PLAYER_GAME_REPORT_H
