// The demo's player: starts an installation's launcher as a shortcut set to
// run minimized would, dismisses any warning box as the end-to-end tests do,
// and prints what happened and what the game received.
//
// Usage: play FOLDER LAUNCHER REPORT -- ARGUMENTS...
//        play --spells FOLDER
// FOLDER and REPORT may be Unix paths. Everything after the first " -- " of
// this program's own command line is the player's arguments, byte for byte.
// With --spells it prints the ANSI code page and ends with status 0 when that
// code page can spell FOLDER's Windows path, 1 when it cannot: an ANSI
// launcher cannot be started from such a folder.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "player/player.h"

namespace {

// Shows every byte: control bytes and bytes above 0x7E as escapes, so that a
// tab or a trailing blank is seen for what it is.
std::string Visible(const std::string& bytes) {
  std::string out;
  for (unsigned char byte : bytes) {
    if (byte == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte > 0x7E) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

const char* ShowWindowName(unsigned value) {
  static const char* const names[] = {
      "SW_HIDE",          "SW_SHOWNORMAL",      "SW_SHOWMINIMIZED",
      "SW_SHOWMAXIMIZED", "SW_SHOWNOACTIVATE",  "SW_SHOW",
      "SW_MINIMIZE",      "SW_SHOWMINNOACTIVE", "SW_SHOWNA",
      "SW_RESTORE",       "SW_SHOWDEFAULT",     "SW_FORCEMINIMIZE"};
  return value < sizeof names / sizeof names[0] ? names[value] : "?";
}

// The Windows path of a path given as an argument. A Unix path goes to Wine
// as the UTF-8 bytes that name it on disk. False when Wine cannot say.
bool WindowsPath(const std::wstring& path, std::wstring* windowsPath) {
  *windowsPath = path;
  if (!path.empty() && path[0] == L'/') {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const auto toDos =
        reinterpret_cast<ToDos>(reinterpret_cast<void (*)()>(GetProcAddress(
            GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return false;
    WCHAR* dos = toDos(varnix_e2e::WideToUtf8(path).c_str());
    if (!dos) return false;
    *windowsPath = dos;
    HeapFree(GetProcessHeap(), 0, dos);
  }
  return true;
}

// The same in UTF-8, as the player takes it.
bool Utf8Path(const std::wstring& path, std::string* utf8) {
  std::wstring windowsPath;
  if (!WindowsPath(path, &windowsPath)) return false;
  *utf8 = varnix_e2e::WideToUtf8(windowsPath);
  return true;
}

// In UTF-8, from the wide command line: the launcher gets them in its own
// code page from the system, as from a shell.
std::string ArgumentsAfterMarker() {
  const std::string commandLine = varnix_e2e::WideToUtf8(GetCommandLineW());
  const char* marker = strstr(commandLine.c_str(), " --");
  while (marker && marker[3] != '\0' && marker[3] != ' ') {
    marker = strstr(marker + 3, " --");
  }
  if (!marker || marker[3] == '\0') return "";
  return marker + 4;
}

void PrintGame(const varnix_e2e::GameReport& report) {
  printf("Game      System\\RuZoriru.exe received\n");
  printf("  command line   [%s]\n", Visible(report.commandLine).c_str());
  printf("  folder         %s\n", Visible(report.currentDirectory).c_str());
  const char letter =
      report.currentDirectory.empty()
          ? '?'
          : static_cast<char>(toupper(report.currentDirectory[0]));
  const std::string name = {'=', letter, ':'};
  std::string value;
  if (report.FindVariable(name, &value)) {
    printf("  %s variable   %s\n", name.c_str(), Visible(value).c_str());
  } else {
    printf("  %s variable   (none)\n", name.c_str());
  }
  if (report.startupFlags & STARTF_USESHOWWINDOW) {
    printf("  show-window    %u (%s), as the shortcut asked\n",
           report.showWindow, ShowWindowName(report.showWindow));
  } else {
    printf("  show-window    not given\n");
  }
}

}  // namespace

// Its arguments come in wide, as Wine handed them over, before any pass
// through the ANSI code page: that would garble a Unix path's letters that
// the code page lacks.
int wmain(int argc, wchar_t** argv) {
  std::string folder;
  if (argc == 3 && wcscmp(argv[1], L"--spells") == 0) {
    printf("%u\n", GetACP());
    std::string bytes;
    return Utf8Path(argv[2], &folder) &&
                   varnix_e2e::Spelled(folder, GetACP(), &bytes)
               ? 0
               : 1;
  }
  if (argc < 4) {
    fprintf(stderr,
            "usage: play FOLDER LAUNCHER REPORT -- ARGUMENTS...\n"
            "       play --spells FOLDER\n");
    return 2;
  }
  varnix_e2e::LaunchRequest request;
  if (!Utf8Path(argv[1], &folder) || !Utf8Path(argv[3], &request.reportFile)) {
    printf("play: cannot find the installation's Windows path\n");
    return 1;
  }
  request.launcherFile = folder + "\\" + varnix_e2e::WideToUtf8(argv[2]);
  const std::string arguments = ArgumentsAfterMarker();
  request.commandLine = "\"" + request.launcherFile + "\"";
  if (!arguments.empty()) request.commandLine += " " + arguments;
  request.startup.dwFlags = STARTF_USESHOWWINDOW;
  request.startup.wShowWindow = SW_SHOWMINNOACTIVE;

  printf("Started   %s\n", Visible(request.commandLine).c_str());
  printf("          (as a shortcut set to run minimized starts it)\n");
  const varnix_e2e::LaunchOutcome outcome = varnix_e2e::Play(request);
  if (!outcome.failure.empty()) {
    printf("play: %s\n", outcome.failure.c_str());
    return 1;
  }
  for (const varnix_e2e::WarningBox& box : outcome.boxes) {
    const bool justOk = box.buttons == 1 && box.buttonId == IDOK;
    printf("Warning   \"%s\" with %s, dismissed\n",
           Visible(box.caption).c_str(),
           justOk ? "one OK button" : "other buttons than one OK");
    printf("          %s\n", Visible(box.text).c_str());
  }
  if (!outcome.boxes.empty()) {
    printf("Launcher  ended with status %lu once the box was dismissed\n",
           static_cast<unsigned long>(outcome.exitCode));
  } else {
    printf("Launcher  showed no warning and ended with status %lu%s\n",
           static_cast<unsigned long>(outcome.exitCode),
           outcome.gamesRunningAtEnd > 0 ? ", the game still running" : "");
  }
  if (outcome.gameReported) {
    PrintGame(outcome.report);
  } else if (outcome.gamesRunningAtEnd > 0) {
    printf("Game      started, but wrote no report\n");
  } else {
    printf("Game      not started\n");
  }
  return 0;
}
