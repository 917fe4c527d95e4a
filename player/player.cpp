#include "player/player.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace varnix_e2e {
namespace {

constexpr DWORD PollMs = 10;
constexpr DWORD LauncherTimeoutMs = 20000;
constexpr DWORD BoxReadyTimeoutMs = 5000;
constexpr DWORD BoxGoneTimeoutMs = 5000;
constexpr DWORD ReportTimeoutMs = 20000;
// The message box's text control, the same id on Windows and under Wine.
constexpr int BoxTextId = 0xFFFF;

template <typename Done>
bool PollUntil(Done done, DWORD limitMs) {
  const DWORD since = GetTickCount();
  while (!done()) {
    if (GetTickCount() - since > limitMs) return false;
    Sleep(PollMs);
  }
  return true;
}

// A window's text, or through GetClassNameA its class's name.
std::string TextOf(HWND window,
                   int(WINAPI* get)(HWND, LPSTR, int) = GetWindowTextA) {
  char text[2048];
  return std::string(text, get(window, text, sizeof text));
}

// A dialog is found as soon as it is made; its controls are filled while it
// is initialised, and it shows itself afterwards.
void AwaitShown(HWND window) {
  PollUntil(
      [window] {
        return (IsWindowVisible(window) && GetDlgItem(window, BoxTextId)) ||
               !IsWindow(window);
      },
      BoxReadyTimeoutMs);
}

DWORD OwnerOf(HWND window) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
  if (TextOf(window, GetClassNameA) == "#32770") {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  }
  return TRUE;
}

// Top-level dialog windows, what MessageBoxA makes. Other top-level windows
// (Wine gives every thread with a window an "IME" window) do not count.
std::vector<HWND> Dialogs() {
  std::vector<HWND> found;
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindBox(DWORD processId) {
  for (const HWND window : Dialogs()) {
    if (OwnerOf(window) == processId) return window;
  }
  return nullptr;
}

// When the process was made, 0 when that cannot be read (it has ended).
unsigned long long MadeAt(DWORD processId) {
  const HANDLE process =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  FILETIME made = {}, unused[3];
  if (process) {
    GetProcessTimes(process, &made, &unused[0], &unused[1], &unused[2]);
    CloseHandle(process);
  }
  return static_cast<unsigned long long>(made.dwHighDateTime) << 32 |
         made.dwLowDateTime;
}

// Every process's parent and file name, from one snapshot of the system's
// list, which needs no access to the processes themselves.
struct ProcessEntry {
  DWORD parent;
  std::string file;
};
std::map<DWORD, ProcessEntry> Processes() {
  std::map<DWORD, ProcessEntry> processes;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return processes;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more;
       more = Process32Next(snapshot, &entry)) {
    processes[entry.th32ProcessID] = {entry.th32ParentProcessID,
                                      entry.szExeFile};
  }
  CloseHandle(snapshot);
  return processes;
}

// Whether `id` is of the launch that the launcher `launcher`, made at
// `made`, began: a process it started, or one of theirs, each made after it
// (a neighbour's game may have a parent of the launcher's number, one of its
// launchers that ended before this one was made and whose number the system
// gave again).
bool OfTheLaunch(DWORD id, DWORD launcher, unsigned long long made,
                 const std::map<DWORD, ProcessEntry>& processes) {
  for (int depth = 0; depth < 8 && processes.contains(id); ++depth) {
    if (MadeAt(id) < made) return false;
    if ((id = processes.at(id).parent) == launcher) return true;
  }
  return false;
}

// A dialog that the launch caused, other than the launcher's own box, is
// closed and told of in `failure` (unless that tells of an earlier one): one
// of a process of the launch, or one that the system shows on their behalf
// and that names the launcher or the game. On Windows a program's hard
// errors as it starts (a DLL missing, a bad image) come from the session's
// csrss.exe, and a crash's report from WerFault.exe; under Wine a crash's
// dialog comes from winedbg.exe, which the crashed game starts. Any other
// program's dialog is left alone. Each dialog is judged once, in `judged`.
bool ForeignDialog(DWORD launcher, unsigned long long made,
                   std::vector<HWND>* judged, const LaunchRequest& request,
                   std::string* failure) {
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(c));
    return text;
  };
  const std::string& path = request.launcherFile;
  const std::string launcherFile = lower(path.substr(path.rfind('\\') + 1));
  for (const HWND window : Dialogs()) {
    const DWORD owner = OwnerOf(window);
    if (owner == launcher || std::ranges::count(*judged, window) != 0) {
      continue;
    }
    judged->push_back(window);
    const std::map<DWORD, ProcessEntry> processes = Processes();
    // One that closed since the listing has no owner any more.
    if (!processes.contains(owner)) continue;
    const std::string file = processes.at(owner).file;
    if (!OfTheLaunch(owner, launcher, made, processes)) {
      if (lower(file) != "csrss.exe" && lower(file) != "werfault.exe") continue;
      AwaitShown(window);
      const std::string said =
          lower(TextOf(window) + "\n" + TextOf(GetDlgItem(window, BoxTextId)));
      if (said.find("ruzoriru.exe") == std::string::npos &&
          said.find(launcherFile) == std::string::npos) {
        continue;
      }
    }
    AwaitShown(window);
    if (failure->empty()) {
      *failure = "a dialog of " + file + " (process " + std::to_string(owner) +
                 ") appeared during the launch: \"" + TextOf(window) + "\" " +
                 TextOf(GetDlgItem(window, BoxTextId));
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return true;
  }
  return false;
}

BOOL CALLBACK ReadControl(HWND control, LPARAM parameter) {
  auto* box = reinterpret_cast<WarningBox*>(parameter);
  const std::string name = TextOf(control, GetClassNameA);
  if (lstrcmpiA(name.c_str(), "Button") == 0) {
    if (box->buttons++ == 0) box->buttonId = GetDlgCtrlID(control);
  } else if (lstrcmpiA(name.c_str(), "Static") == 0 &&
             (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &icon);
    box->icon = reinterpret_cast<HICON>(icon);
  }
  return TRUE;
}

WarningBox ReadAndDismiss(HWND window) {
  AwaitShown(window);
  WarningBox box;
  box.caption = TextOf(window);
  char text[2048];
  const UINT length = GetDlgItemTextA(window, BoxTextId, text, sizeof text);
  box.text.assign(text, length);
  box.owned = GetWindow(window, GW_OWNER) != nullptr;
  box.topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  EnumChildWindows(window, ReadControl, reinterpret_cast<LPARAM>(&box));

  PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, box.buttonId)));
  if (!PollUntil([window] { return !IsWindow(window); }, BoxGoneTimeoutMs)) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  return box;
}

// Only the game counts: Wine may start its desktop process as a child of
// the first process of a session that opens a window. And only this
// launch's, as OfTheLaunch tells them.
int RunningGamesStartedBy(DWORD processId, unsigned long long made) {
  int count = 0;
  for (const auto& [id, entry] : Processes()) {
    if (entry.parent == processId &&
        lstrcmpiA(entry.file.c_str(), "RuZoriru.exe") == 0 &&
        MadeAt(id) >= made) {
      ++count;
    }
  }
  return count;
}

// CreateProcessA cannot hand over an empty command line: it puts the file
// name in its place. The process is therefore made suspended and its command
// line emptied in its parameter block before its first instruction, which is
// what a caller of the native process API with no command line gets.
bool EmptyCommandLine(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic,
                                sizeof basic, nullptr) != 0) {
    return false;
  }
  PEB peb;
  RTL_USER_PROCESS_PARAMETERS parameters;
  if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb,
                         nullptr) ||
      !ReadProcessMemory(process, peb.ProcessParameters, &parameters,
                         sizeof parameters, nullptr)) {
    return false;
  }
  const USHORT zeroLength = 0;
  const WCHAR terminator = 0;
  char* lengthField = reinterpret_cast<char*>(peb.ProcessParameters) +
                      offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine);
  return WriteProcessMemory(process, lengthField, &zeroLength,
                            sizeof zeroLength, nullptr) &&
         WriteProcessMemory(process, parameters.CommandLine.Buffer, &terminator,
                            sizeof terminator, nullptr);
}

// Wine's debugging channels for the processes this one starts: the launcher
// inherits them, and Wine reads them when a process starts.
constexpr char WineDebugVariable[] = "WINEDEBUG";
// Each line begins with its process and thread id; +process tells of starts.
constexpr char TraceChannels[] = "+pid,+relay,+process";

// The game's instructions travel in the environment that the launcher is
// started with and, if it does its job, passes on: this process's own, with
// them added. When the launcher's calls are traced, Wine is told so the same
// way.
std::vector<std::string> LaunchEnvironment(const LaunchRequest& request,
                                           const std::string& event) {
  std::vector<std::string> environment = CurrentEnvironment();
  SetVariable(&environment, ReportFileVariable, request.reportFile);
  SetVariable(&environment, HoldEventVariable, request.holdGame ? event : "");
  SetVariable(&environment, HandleVariable,
              request.inheritable ? HandleText(request.inheritable) : "");
  if (!TraceFile().empty()) {
    const std::string& c = request.wineChannel;
    SetVariable(
        &environment, WineDebugVariable,
        TraceChannels +
            (c.empty() ? "" : ",err+" + c + ",warn+" + c + ",fixme+" + c));
  }
  return environment;
}

// 0 for a file that is not there.
unsigned long long FileSize(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(WideName(path), error);
  return error ? 0 : size;
}

std::string Unescaped(const std::string& quoted) {
  std::string bytes;
  for (size_t i = 0; i < quoted.size(); ++i) {
    const char c = quoted[i] == '\\' && i + 1 < quoted.size() ? quoted[++i] : 0;
    if (c == 0) {
      bytes += quoted[i];
    } else if (c == 'x' && i + 2 < quoted.size()) {
      bytes +=
          static_cast<char>(std::stoul(quoted.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      bytes += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return bytes;
}

// The calls that the launcher's process, on its one thread, made since the
// trace ended at `from` (those that scripts/wine-run has Wine trace), and
// its lines on `channel`. Each call is a line
// "PPPP:TTTT:Call DLL.Function(ARGUMENTS) ret=ADDRESS", where every argument
// is a value in hexadecimal, followed, when it points to a string, by a
// blank and the string quoted, and "..." when the trace cut it short.
void ReadTrace(unsigned long long from, const PROCESS_INFORMATION& process,
               const std::string& channel, LaunchOutcome* outcome) {
  static const std::regex line(
      "[0-9a-f]+:[0-9a-f]+:Call \\w+\\.(\\w+)\\((.*)\\) ret=\\w+");
  static const std::regex argument(
      "([0-9a-f]+)(?: \"((?:[^\"\\\\]|\\\\.)*)\"(\\.\\.\\.)?)?");
  char thread[32];
  snprintf(thread, sizeof thread, "%04lx:%04lx:Call ",
           static_cast<unsigned long>(process.dwProcessId),
           static_cast<unsigned long>(process.dwThreadId));
  const std::string ofProcess(thread, strchr(thread, ':') + 1);
  outcome->traced = true;
  std::string text;
  ReadBytes(TraceFile(), &text, from);
  std::istringstream lines(text);
  for (std::string entry; std::getline(lines, entry);) {
    std::smatch call;
    if (!channel.empty() && entry.starts_with(ofProcess) &&
        entry.find(":" + channel + ":") != std::string::npos) {
      outcome->wineLines.push_back(entry);
    }
    if (!entry.starts_with(thread) || !std::regex_match(entry, call, line)) {
      continue;
    }
    TracedCall& traced = outcome->calls.emplace_back();
    traced.function = call[1];
    const std::string list = call[2];
    for (std::sregex_iterator at(list.begin(), list.end(), argument), end;
         at != end; ++at) {
      traced.values.push_back(std::stoull((*at)[1].str(), nullptr, 16));
      traced.texts.push_back(Unescaped((*at)[2]));
      traced.cut.push_back((*at)[3].matched);
    }
  }
}

}  // namespace

std::string HandleText(HANDLE handle) {
  char text[20];
  snprintf(text, sizeof text, "%lx",
           static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(handle)));
  return text;
}

// Told by ntdll's own export, not by the environment.
bool UnderWine() {
  static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                          "wine_get_version") != nullptr;
  return wine;
}

const std::string& TraceFile() {
  const char* const path = getenv("VARNIX_E2E_TRACE");
  static const std::string file = UnderWine() && path ? path : "";
  return file;
}

bool LayOut(const Layout& layout, const std::string& launcherFile,
            const std::string& standInFile, std::string* error) {
  const std::string system = layout.folder + "\\System";
  const std::string game = system + "\\RuZoriru.exe";
  const auto fail = [error](const std::string& what) {
    *error = what;
    return false;
  };
  const auto copy = [&fail](const std::string& from, const std::string& to) {
    return CopyFileW(WideName(from).c_str(), WideName(to).c_str(), FALSE) ||
           fail("cannot copy " + from + " to " + to);
  };
  if (!RemoveTree(layout.folder)) return fail("cannot empty " + layout.folder);
  if (!MakeFolders(layout.folder)) return fail("cannot make " + layout.folder);
  const std::string launcher = layout.folder + "\\" + layout.launcherName;
  if (!copy(launcherFile, launcher)) return false;
  if (layout.system == SystemFolder::Missing) return true;
  if (layout.system == SystemFolder::IsAFile) {
    return WriteBytes(system, "A file where a folder belongs.\r\n") ||
           fail("cannot write " + system);
  }
  if (!CreateDirectoryW(WideName(system).c_str(), nullptr)) {
    return fail("cannot make " + system);
  }
  if (layout.game == GameFile::Missing) return true;
  if (layout.game == GameFile::StandIn) return copy(standInFile, game);
  // The stand-in itself, marked as built for Itanium: a file without a
  // program header would be taken for a DOS program, which 64-bit Windows
  // answers with a box of its own.
  std::string image;
  if (!ReadBytes(standInFile, &image) || image.size() < 0x40) {
    return fail("cannot read " + standInFile);
  }
  const size_t header = static_cast<unsigned char>(image[0x3C]) |
                        static_cast<unsigned char>(image[0x3D]) << 8;
  if (image.compare(header, 4, std::string("PE\0\0", 4)) != 0) {
    return fail(standInFile + " is no program file");
  }
  image[header + 4] = '\x00';  // IMAGE_FILE_MACHINE_IA64, 0x0200
  image[header + 5] = '\x02';
  return WriteBytes(game, image) || fail("cannot write " + game);
}

// A dialog that the launch caused, other than the launcher's own box, up to
// the game's report (a system box about the game, say), is one that no
// player of this launcher should meet.
LaunchOutcome Play(const LaunchRequest& request) {
  LaunchOutcome outcome;
  DeleteFileW(WideName(request.reportFile).c_str());
  static unsigned events = 0;
  const std::string eventName =
      "VarnixE2EHold-" + std::to_string(GetCurrentProcessId()) + "-" +
      std::to_string(GetTickCount()) + "-" + std::to_string(++events);
  const HANDLE hold = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
  if (!hold) {
    outcome.failure = "cannot make the event " + eventName;
    return outcome;
  }

  // Only what is written after the trace's end now is read back.
  const unsigned long long traceFrom = FileSize(TraceFile());
  std::vector<HWND> judged = Dialogs();
  PROCESS_INFORMATION process;
  outcome.environment = LaunchEnvironment(request, eventName);
  std::wstring block;
  for (const std::string& entry : outcome.environment) {
    block += Utf8ToWide(entry) + L'\0';
  }
  block += L'\0';
  const bool empty = request.commandLine.empty();
  // Windows would put a command line in place of an empty one.
  // Were it not emptied, this command line would meet no System folder
  // beside the bare name or give the game another command line: a case
  // that expects what an empty one gives would fail.
  // Through the wide call, as Explorer starts a program: the system hands
  // the launcher its command line in the launcher's own code page.
  std::wstring commandLine = Utf8ToWide(
      empty ? "Varnix.exe -command-line-not-emptied" : request.commandLine);
  const std::wstring startIn = Utf8ToWide(request.startIn);
  STARTUPINFOW startup = request.startup;
  startup.cb = sizeof startup;
  // A shell starts a program with the system's default error mode, not its
  // own (this program's test runner turns the system's error boxes off), so
  // that the launcher and the game meet the boxes a player's would.
  const DWORD flags = request.creationFlags | CREATE_DEFAULT_ERROR_MODE |
                      (empty ? CREATE_SUSPENDED : 0);
  if (!CreateProcessW(WideName(request.launcherFile).c_str(), &commandLine[0],
                      nullptr, nullptr, request.inheritable != nullptr,
                      flags | CREATE_UNICODE_ENVIRONMENT, block.data(),
                      startIn.empty() ? nullptr : startIn.c_str(), &startup,
                      &process)) {
    outcome.failure = "CreateProcessW failed with error " +
                      std::to_string(GetLastError()) + " for " +
                      request.launcherFile;
    CloseHandle(hold);
    return outcome;
  }
  const unsigned long long made = MadeAt(process.dwProcessId);
  if (empty) {
    if (!EmptyCommandLine(process.hProcess)) {
      outcome.failure = "cannot empty the launcher's command line";
      TerminateProcess(process.hProcess, 1);
    }
    ResumeThread(process.hThread);
  }

  PollUntil(
      [&] {
        outcome.ended =
            WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        if (outcome.ended) return true;
        if (ForeignDialog(process.dwProcessId, made, &judged, request,
                          &outcome.failure)) {
          return true;
        }
        // A box is modal: while one is up the launcher cannot end, so none
        // can be missed between two looks.
        if (const HWND box = FindBox(process.dwProcessId)) {
          if (outcome.boxes.empty()) {
            outcome.gameBytes = FileSize(request.gameFile);
          }
          outcome.boxes.push_back(ReadAndDismiss(box));
        }
        return false;
      },
      LauncherTimeoutMs);
  if (outcome.ended) {
    GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    outcome.gamesRunningAtEnd =
        RunningGamesStartedBy(process.dwProcessId, made);
    if (!TraceFile().empty()) {
      ReadTrace(traceFrom, process, request.wineChannel, &outcome);
    }
  } else if (outcome.failure.empty()) {
    outcome.failure = "the launcher did not end within " +
                      std::to_string(LauncherTimeoutMs / 1000) + " s";
  }
  SetEvent(hold);
  // Perhaps it waits for the game, which has just been released.
  if (!outcome.ended &&
      WaitForSingleObject(process.hProcess, BoxGoneTimeoutMs) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 1);

  PollUntil(
      [&] {
        std::string text;
        outcome.gameReported = ReadBytes(request.reportFile, &text) &&
                               ParseReport(text, &outcome.report);
        if (outcome.gameReported) {
          DeleteFileW(WideName(request.reportFile).c_str());
        }
        if (outcome.gameReported || outcome.gamesRunningAtEnd <= 0) {
          return true;
        }
        // The system tells of a game that cannot start, or of one for
        // another kind of Windows, in a box of its own once the launcher is
        // gone.
        ForeignDialog(process.dwProcessId, made, &judged, request,
                      &outcome.failure);
        return false;
      },
      ReportTimeoutMs);

  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(hold);
  return outcome;
}

}  // namespace varnix_e2e
