// Times, in one run, how long a player waits for the game: through the
// launcher, directly, through the launcher built with a C runtime, and the
// floor of one empty process, without and with USER32. Rounds interleave the
// rows, so that drift in the machine's load touches all of them alike. Then
// prints the table: times and ratios only. The files' sizes and imports do not
// depend on the machine; scripts/bench prints those of the files as they ship.
//
// Everything it runs lies beside it, as in the Windows test bundle; it lays
// out the two installations it times in a folder of its own, under the
// temporary folder or under --root=DIR, and removes that folder afterwards.
// Paths are handled as UTF-16 throughout: the temporary folder lies in the
// user's profile, whose name the ANSI code page may not spell.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_channel.h"
#include "bench/bench_figures.h"

namespace {

using varnix_bench::Arguments;
using varnix_bench::Measurements;

// A launch that hangs (a warning box, a missing game) ends the benchmark
// rather than stalling it.
constexpr DWORD StartTimeoutMs = 10000;
// Under Wine a process is still being torn down for a while after its handle
// is signalled, and a start that overlaps that teardown took some 25 ms
// longer in about half the runs. A pause before each run lets every start
// find the system settled, as a player's start does.
constexpr DWORD SettleMs = 100;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(),
                                    static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                      &out[0], n, nullptr, nullptr);
  return out;
}

// The files and folders the benchmark made, so that exactly those are
// removed, the last made first. Also reached from the console's control
// handler when the run is interrupted, hence the lock.
class Scratch {
 public:
  Scratch() { InitializeCriticalSection(&lock_); }

  bool MakeFolder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
    Record(path, true);
    return true;
  }

  bool Copy(const std::wstring& from, const std::wstring& to) {
    if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) return false;
    Record(to, false);
    return true;
  }

  void RemoveAll() {
    EnterCriticalSection(&lock_);
    while (!made_.empty()) {
      const Made last = made_.back();
      made_.pop_back();
      // Windows may hold a program's file for a moment after its process
      // has ended.
      bool removed = false;
      for (int attempt = 0; attempt < 50 && !removed; ++attempt) {
        if (attempt > 0) Sleep(100);
        removed = last.folder ? RemoveDirectoryW(last.path.c_str())
                              : DeleteFileW(last.path.c_str());
      }
      if (!removed) {
        std::fprintf(stderr, "bench_driver: could not remove %s (error %lu)\n",
                     Utf8(last.path).c_str(), GetLastError());
      }
    }
    LeaveCriticalSection(&lock_);
  }

 private:
  struct Made {
    std::wstring path;
    bool folder;
  };

  void Record(const std::wstring& path, bool folder) {
    EnterCriticalSection(&lock_);
    made_.push_back({path, folder});
    LeaveCriticalSection(&lock_);
  }

  CRITICAL_SECTION lock_;
  std::vector<Made> made_;
};

Scratch scratch;

[[noreturn]] void Fail(const std::string& what) {
  const DWORD error = GetLastError();
  std::fprintf(stderr, "bench_driver: %s (error %lu)\n", what.c_str(), error);
  scratch.RemoveAll();
  std::exit(1);
}

BOOL WINAPI OnInterrupt(DWORD) {
  scratch.RemoveAll();
  return FALSE;  // and let the default handler end the process
}

class GameChannel {
 public:
  GameChannel() {
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                  0, sizeof(varnix_bench::GameRecord),
                                  varnix_bench::GameRecordName);
    if (!mapping_) Fail("cannot create the game record");
    // The game reports to whichever driver made the record: two at once
    // would time each other's games.
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      Fail("another benchmark is running on this machine");
    }
    record_ = static_cast<volatile varnix_bench::GameRecord*>(
        MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
    if (!record_) Fail("cannot map the game record");
    entered_ =
        CreateEventA(nullptr, FALSE, FALSE, varnix_bench::GameEnteredName);
    if (!entered_) Fail("cannot create the game's event");
  }

  // Starts `application` and returns the ticks from the CreateProcessW call
  // to the stand-in game's first instruction. Returns once every process
  // of the launch has ended, so that none overlaps the next run.
  long long TimeToGame(const std::wstring& application,
                       const std::wstring& commandLine,
                       const std::wstring& currentDirectory) {
    record_->enteredAt = 0;
    record_->processId = 0;
    ResetEvent(entered_);
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(application.c_str(), &line[0], nullptr, nullptr, FALSE,
                        0, nullptr, currentDirectory.c_str(), &startup,
                        &process)) {
      Fail("cannot start " + Utf8(application));
    }
    if (WaitForSingleObject(entered_, StartTimeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
      Fail("the game never started from " + Utf8(application));
    }
    const long long ticks = record_->enteredAt - start.QuadPart;
    if (ticks <= 0) Fail("the performance counter is not system-wide");
    WaitForSingleObject(process.hProcess, StartTimeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Already gone is fine: then there is nothing to wait for.
    if (HANDLE game = OpenProcess(SYNCHRONIZE, FALSE, record_->processId)) {
      WaitForSingleObject(game, StartTimeoutMs);
      CloseHandle(game);
    }
    return ticks;
  }

 private:
  HANDLE mapping_;
  volatile varnix_bench::GameRecord* record_;
  HANDLE entered_;
};

long long TimeEmptyProcess(const std::wstring& application,
                           const std::wstring& currentDirectory) {
  std::wstring line = L"\"" + application + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(application.c_str(), &line[0], nullptr, nullptr, FALSE, 0,
                      nullptr, currentDirectory.c_str(), &startup, &process)) {
    Fail("cannot start " + Utf8(application));
  }
  if (WaitForSingleObject(process.hProcess, StartTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    Fail(Utf8(application) + " did not end");
  }
  QueryPerformanceCounter(&end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return end.QuadPart - start.QuadPart;
}

std::wstring FolderOfThisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) Fail("cannot find this program's own file");
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(n, L'\0');
  if (n == 0 || GetFullPathNameW(path.c_str(), n, &full[0], nullptr) >= n) {
    Fail("cannot make a full path of " + Utf8(path));
  }
  full.resize(n - 1);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

// A new folder of the benchmark's own under `parent`: never one that was
// there before, so that removing it afterwards removes nothing else.
std::wstring MakeOwnFolder(const std::wstring& parent) {
  const std::wstring stem = parent + (parent.back() == L'\\' ? L"" : L"\\") +
                            L"VarnixBench-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-";
  for (int n = 0; n < 1000; ++n) {
    const std::wstring folder = stem + std::to_wstring(n);
    if (scratch.MakeFolder(folder)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  Fail("cannot make a folder under " + Utf8(parent));
}

// "wine-8.0 (Debian 8.0~repack-4)" under Wine, as `wine --version` says it;
// "Windows 10.0.19045" on Windows. Wine is told by its own exports from
// ntdll, which no Windows has, rather than by anything a user can set.
std::string SystemName() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  // FARPROC goes through the generic function pointer type to the real one.
  auto function = [ntdll](const char* name) {
    return reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name));
  };
  using Text = const char*(CDECL*)();
  if (auto version = reinterpret_cast<Text>(function("wine_get_version"))) {
    if (auto build = reinterpret_cast<Text>(function("wine_get_build_id"))) {
      return build();
    }
    return std::string("wine-") + version();
  }
  using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  auto getVersion = reinterpret_cast<GetVersion>(function("RtlGetVersion"));
  if (!getVersion || getVersion(&info) != 0) return "Windows";
  return "Windows " + std::to_string(info.dwMajorVersion) + "." +
         std::to_string(info.dwMinorVersion) + "." +
         std::to_string(info.dwBuildNumber);
}

}  // namespace

extern "C" int wmain(int argc, wchar_t** argv) {
  Arguments args;
  if (!varnix_bench::ParseArguments(
          std::vector<std::wstring>(argv + 1, argv + argc), &args)) {
    std::fputs(varnix_bench::Usage, stderr);
    return 2;
  }
  if (args.help) {
    std::fputs(varnix_bench::Usage, stdout);
    return 0;
  }

  const std::wstring beside = FolderOfThisProgram() + L"\\";
  for (const wchar_t* name :
       {L"Varnix.exe", L"bench_game.exe", L"varnix_ordinary.exe",
        L"empty_process.exe", L"empty_user32.exe"}) {
    if (GetFileAttributesW((beside + name).c_str()) ==
        INVALID_FILE_ATTRIBUTES) {
      Fail(Utf8(name) + " is not beside bench_driver.exe in " + Utf8(beside));
    }
  }

  SetConsoleCtrlHandler(OnInterrupt, TRUE);
  std::wstring parent;
  if (args.root.empty()) {
    std::wstring temp(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(static_cast<DWORD>(temp.size()), &temp[0]);
    if (n == 0 || n > temp.size()) Fail("cannot find the temporary folder");
    temp.resize(n);
    parent = FullPath(temp);
  } else {
    parent = FullPath(args.root);
    // A root that is not there yet is made, and so removed afterwards.
    if (!scratch.MakeFolder(parent) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail("cannot make " + Utf8(parent));
    }
  }
  const std::wstring dir = MakeOwnFolder(parent);

  // An installation per launcher build, each with the stand-in game as
  // System\RuZoriru.exe beside it.
  const std::wstring launcherDir = dir + L"\\launcher";
  const std::wstring ordinaryDir = dir + L"\\ordinary";
  const std::wstring launcher = launcherDir + L"\\Varnix.exe";
  const std::wstring ordinary = ordinaryDir + L"\\Varnix.exe";
  const std::wstring systemDir = launcherDir + L"\\System";
  const std::wstring game = systemDir + L"\\RuZoriru.exe";
  const std::wstring empty = dir + L"\\empty.exe";
  const std::wstring emptyUser32 = dir + L"\\empty_user32.exe";
  for (const std::wstring& folder :
       {launcherDir, systemDir, ordinaryDir, ordinaryDir + L"\\System"}) {
    if (!scratch.MakeFolder(folder)) Fail("cannot make " + Utf8(folder));
  }
  const struct {
    const wchar_t* from;
    std::wstring to;
  } copies[] = {
      {L"Varnix.exe", launcher},
      {L"bench_game.exe", game},
      {L"varnix_ordinary.exe", ordinary},
      {L"bench_game.exe", ordinaryDir + L"\\System\\RuZoriru.exe"},
      {L"empty_process.exe", empty},
      {L"empty_user32.exe", emptyUser32},
  };
  for (const auto& copy : copies) {
    if (!scratch.Copy(beside + copy.from, copy.to)) {
      Fail("cannot copy " + Utf8(copy.from) + " to " + Utf8(copy.to));
    }
  }

  Measurements m;
  m.system = SystemName();
  m.warmup = args.warmup;

  GameChannel channel;
  const int rounds = args.warmup + args.runs;
  const ULONGLONG started = GetTickCount64();
  for (int round = 0; round < rounds; ++round) {
    // The first round, a warm-up, tells how long the others will take.
    if (round == 1) {
      const ULONGLONG seconds = (GetTickCount64() - started) * rounds / 1000;
      std::fprintf(stderr,
                   "bench_driver: timing %d rounds of %d starts in %s, about "
                   "%llu s\n",
                   rounds, varnix_bench::RowCount, Utf8(dir).c_str(), seconds);
    }
    // Each row takes each place in the round in turn.
    for (int k = 0; k < varnix_bench::RowCount; ++k) {
      const int r = (round + k) % varnix_bench::RowCount;
      long long ticks = 0;
      Sleep(SettleMs);
      switch (r) {
        case varnix_bench::Empty:
          ticks = TimeEmptyProcess(empty, dir);
          break;
        case varnix_bench::EmptyUser32:
          ticks = TimeEmptyProcess(emptyUser32, dir);
          break;
        case varnix_bench::Direct:
          // As the launcher starts it: from its folder, with the switch.
          ticks = channel.TimeToGame(game, L"-LAUNCHED ", systemDir);
          break;
        case varnix_bench::Launcher:
          // As a shortcut starts it: from the installation's folder.
          ticks = channel.TimeToGame(launcher, L"\"" + launcher + L"\"",
                                     launcherDir);
          break;
        case varnix_bench::Ordinary:
          ticks = channel.TimeToGame(ordinary, L"\"" + ordinary + L"\"",
                                     ordinaryDir);
          break;
      }
      if (round >= args.warmup) m.ticks[r].push_back(ticks);
    }
  }
  scratch.RemoveAll();

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  m.frequency = frequency.QuadPart;
  std::fputs(varnix_bench::FormatTable(m).c_str(), stdout);
  return 0;
}
