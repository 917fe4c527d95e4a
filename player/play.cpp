// The demo's player: starts an installation's launcher as a shortcut set to
// run minimized would, dismisses any warning box as the end-to-end tests do,
// and prints what happened and what the game was handed.
//
// Usage: play FOLDER LAUNCHER REPORT -- ARGUMENTS...
// FOLDER and REPORT may be Unix paths. Everything after the first " -- " of
// this program's own command line is the player's arguments, byte for byte.
//
// It prints text as text, in any script: what the game was handed through
// the wide calls, and, where it differs, what a game reading the ANSI calls
// gets in the system's code page. A player who reads "?" in place of their
// letters must be able to tell the system's doing from the launcher's.
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

#include "player/player.h"

namespace varnix_e2e {
namespace {

// To a console through the wide call, which shows every script whatever
// the console's code page; to a pipe or a file as the UTF-8 bytes, unbuffered,
// so that the Started line is out before the launcher runs.
void Say(const std::string& utf8) {
  const std::string line = utf8 + "\n";
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    const std::wstring wide = Utf8ToWide(line);
    WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written,
                  nullptr);
  } else {
    WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written,
              nullptr);
  }
}

// UTF-8 text as a player reads it, with only what a terminal would hide or
// act on made visible: control characters as escapes (a tab as \t), U+0080
// to U+009F among them, which some terminals obey, and, unless the caller
// marks the text's ends itself, its trailing blanks as \x20.
std::string Shown(const std::string& utf8, bool endsMarked = false) {
  const std::wstring text = Utf8ToWide(utf8);
  size_t end = text.size();
  while (!endsMarked && end > 0 && text[end - 1] == L' ') --end;
  std::wstring out;
  for (size_t i = 0; i < end; ++i) {
    wchar_t escape[8];
    if (text[i] == L'\t') {
      out += L"\\t";
    } else if (text[i] < 0x20 || (text[i] >= 0x7F && text[i] <= 0x9F)) {
      swprintf(escape, 8, text[i] < 0x80 ? L"\\x%02X" : L"\\u%04X", text[i]);
      out += escape;
    } else {
      out += text[i];
    }
  }
  for (size_t i = end; i < text.size(); ++i) out += L"\\x20";
  return WideToUtf8(out);
}

const char* ShowWindowName(unsigned value) {
  static const char* const names[] = {
      "SW_HIDE",          "SW_SHOWNORMAL",      "SW_SHOWMINIMIZED",
      "SW_SHOWMAXIMIZED", "SW_SHOWNOACTIVATE",  "SW_SHOW",
      "SW_MINIMIZE",      "SW_SHOWMINNOACTIVE", "SW_SHOWNA",
      "SW_RESTORE",       "SW_SHOWDEFAULT",     "SW_FORCEMINIMIZE"};
  return value < sizeof names / sizeof names[0] ? names[value] : "?";
}

// The Windows path, in UTF-8, of a path given as an argument. A Unix path
// goes to Wine as the UTF-8 bytes that name it on disk. False when Wine
// cannot say.
bool Utf8Path(const std::wstring& path, std::string* utf8) {
  *utf8 = WideToUtf8(path);
  if (path.empty() || path[0] != L'/') return true;
  using ToDos = WCHAR*(CDECL*)(const char*);
  const auto toDos =
      reinterpret_cast<ToDos>(reinterpret_cast<void (*)()>(GetProcAddress(
          GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  WCHAR* dos = toDos ? toDos(utf8->c_str()) : nullptr;
  if (!dos) return false;
  *utf8 = WideToUtf8(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return true;
}

// In UTF-8, from the wide command line: the launcher gets them in its own
// code page from the system, as from a shell.
// A blank added at the end marks a closing " --" too, and is left out again.
std::string ArgumentsAfterMarker() {
  const std::string line = WideToUtf8(GetCommandLineW()) + " ";
  const size_t marker = line.find(" -- ");
  if (marker == std::string::npos) return "";
  return line.substr(marker + 4, line.size() - 1 - (marker + 4));
}

// One item the game was handed: its wide view, and below it, when the
// game's ANSI view differs, that one too. The ANSI bytes are shown as the
// text they are in the system's code page, so that only the letters the
// code page lacks stand out, as "?" or as a look-alike.
void PrintItem(const char* label, const std::string& wide,
               const std::string& ansi, unsigned codePage, bool bracketed) {
  const std::string open = bracketed ? "[" : "";
  const std::string close = bracketed ? "]" : "";
  Say(std::string("  ") + label + open + Shown(wide, bracketed) + close);
  if (codePage == 0) return;
  const std::string ansiText = WideToUtf8(CodePageToWide(ansi, codePage));
  if (ansiText == wide) return;
  Say("                 as an ANSI game reads it, in the system's code page " +
      std::to_string(codePage) + ":");
  Say("                 " + open + Shown(ansiText, bracketed) + close);
}

void PrintGame(const GameReport& report) {
  Say("Game      System\\RuZoriru.exe received");
  PrintItem("command line   ", report.wideCommandLine, report.commandLine,
            report.codePage, true);
  PrintItem("folder         ", report.wideCurrentDirectory,
            report.currentDirectory, report.codePage, false);
  const std::string& folder = report.wideCurrentDirectory;
  const char letter =
      folder.empty() ? '?' : static_cast<char>(toupper(folder[0]));
  const std::string name = {'=', letter, ':'};
  std::string value;
  const bool found = report.FindVariable(name, &value);
  Say("  " + name + " variable   " + (found ? Shown(value) : "(none)"));
  if (report.startupFlags & STARTF_USESHOWWINDOW) {
    Say("  show-window    " + std::to_string(report.showWindow) + " (" +
        ShowWindowName(report.showWindow) + "), as the shortcut asked");
  } else {
    Say("  show-window    not given");
  }
}

}  // namespace
}  // namespace varnix_e2e

// Its arguments come in wide, as Wine handed them over, before any pass
// through the ANSI code page: that would garble a Unix path's letters that
// the code page lacks.
int wmain(int argc, wchar_t** argv) {
  using namespace varnix_e2e;
  if (argc < 4) {
    fprintf(stderr, "usage: play FOLDER LAUNCHER REPORT -- ARGUMENTS...\n");
    return 2;
  }
  std::string folder;
  LaunchRequest request;
  if (!Utf8Path(argv[1], &folder) || !Utf8Path(argv[3], &request.reportFile)) {
    Say("play: cannot find the installation's Windows path");
    return 1;
  }
  request.launcherFile = folder + "\\" + WideToUtf8(argv[2]);
  const std::string arguments = ArgumentsAfterMarker();
  request.commandLine = "\"" + request.launcherFile + "\"";
  if (!arguments.empty()) request.commandLine += " " + arguments;
  request.startup.dwFlags = STARTF_USESHOWWINDOW;
  request.startup.wShowWindow = SW_SHOWMINNOACTIVE;

  Say("Started   " + Shown(request.commandLine));
  Say("          (as a shortcut set to run minimized starts it)");
  const LaunchOutcome outcome = Play(request);
  if (!outcome.failure.empty()) {
    Say("play: " + outcome.failure);
    return 1;
  }
  for (const WarningBox& box : outcome.boxes) {
    const bool justOk = box.buttons == 1 && box.buttonId == IDOK;
    Say("Warning   \"" + Shown(box.caption, true) + "\" with " +
        (justOk ? "one OK button" : "other buttons than one OK") +
        ", dismissed");
    Say("          " + Shown(box.text));
  }
  if (!outcome.boxes.empty()) {
    Say("Launcher  ended with status " + std::to_string(outcome.exitCode) +
        " once the box was dismissed");
  } else {
    Say("Launcher  showed no warning and ended with status " +
        std::to_string(outcome.exitCode) +
        (outcome.gamesRunningAtEnd > 0 ? ", the game still running" : ""));
  }
  if (outcome.gameReported) {
    PrintGame(outcome.report);
  } else if (outcome.gamesRunningAtEnd > 0) {
    Say("Game      started, but wrote no report");
  } else {
    Say("Game      not started");
  }
  return 0;
}
