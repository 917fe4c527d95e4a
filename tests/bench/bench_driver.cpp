// Times, in one run, how long a player waits for the game: through the
// launcher, directly, through the launcher built with a C runtime, and the
// floor of one empty process, without and with USER32. Rounds interleave the
// rows, so that drift in the machine's load touches all of them alike.
//
// Usage: bench_driver DIR RUNS WARMUP
// DIR holds launcher\Varnix.exe and ordinary\Varnix.exe, each with
// System\RuZoriru.exe (the stand-in game) beside it, empty.exe and
// empty_user32.exe.
// Prints "frequency F" and one "row NAME TICKS..." line per row, the
// counter ticks of every counted run in order.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/bench/bench_channel.h"

namespace {

// A launch that hangs (a warning box, a missing game) ends the benchmark
// rather than stalling it.
constexpr DWORD StartTimeoutMs = 10000;
// Under Wine a process is still being torn down for a while after its handle
// is signalled, and a start that overlaps that teardown took some 25 ms
// longer in about half the runs. A pause before each run lets every start
// find the system settled, as a player's start does.
constexpr DWORD SettleMs = 100;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_driver: %s (error %lu)\n", what.c_str(),
               GetLastError());
  std::exit(1);
}

class GameChannel {
 public:
  GameChannel() {
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                  0, sizeof(varnix_bench::GameRecord),
                                  varnix_bench::GameRecordName);
    if (!mapping_) Fail("cannot create the game record");
    record_ = static_cast<volatile varnix_bench::GameRecord*>(
        MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
    if (!record_) Fail("cannot map the game record");
    entered_ =
        CreateEventA(nullptr, FALSE, FALSE, varnix_bench::GameEnteredName);
    if (!entered_) Fail("cannot create the game's event");
  }

  // Starts `application` and returns the ticks from the CreateProcessA call
  // to the stand-in game's first instruction. Returns once every process
  // of the launch has ended, so that none overlaps the next run.
  long long TimeToGame(const std::string& application,
                       const std::string& commandLine,
                       const char* currentDirectory) {
    record_->enteredAt = 0;
    record_->processId = 0;
    ResetEvent(entered_);
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(application.c_str(), &line[0], nullptr, nullptr, FALSE,
                        0, nullptr, currentDirectory, &startup, &process)) {
      Fail("cannot start " + application);
    }
    if (WaitForSingleObject(entered_, StartTimeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
      Fail("the game never started from " + application);
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

long long TimeEmptyProcess(const std::string& application) {
  std::string line = "\"" + application + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(application.c_str(), &line[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &process)) {
    Fail("cannot start " + application);
  }
  if (WaitForSingleObject(process.hProcess, StartTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    Fail(application + " did not end");
  }
  QueryPerformanceCounter(&end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return end.QuadPart - start.QuadPart;
}

struct Row {
  const char* name;
  std::vector<long long> ticks;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_driver DIR RUNS WARMUP\n");
    return 2;
  }
  const std::string dir = argv[1];
  const int runs = std::atoi(argv[2]);
  const int warmup = std::atoi(argv[3]);
  const std::string launcher = dir + "\\launcher\\Varnix.exe";
  const std::string ordinary = dir + "\\ordinary\\Varnix.exe";
  const std::string systemDir = dir + "\\launcher\\System";
  const std::string game = systemDir + "\\RuZoriru.exe";
  const std::string empty = dir + "\\empty.exe";
  const std::string emptyUser32 = dir + "\\empty_user32.exe";

  GameChannel channel;
  Row rows[] = {{"empty", {}},
                {"empty_user32", {}},
                {"direct", {}},
                {"launcher", {}},
                {"ordinary", {}}};
  constexpr int RowCount = sizeof rows / sizeof rows[0];
  for (int round = 0; round < warmup + runs; ++round) {
    // Each row takes each place in the round in turn.
    for (int k = 0; k < RowCount; ++k) {
      const int r = (round + k) % RowCount;
      long long ticks = 0;
      Sleep(SettleMs);
      switch (r) {
        case 0:
          ticks = TimeEmptyProcess(empty);
          break;
        case 1:
          ticks = TimeEmptyProcess(emptyUser32);
          break;
        case 2:
          // As the launcher starts it: from its folder, with the switch.
          ticks = channel.TimeToGame(game, "-LAUNCHED ", systemDir.c_str());
          break;
        case 3:
          ticks = channel.TimeToGame(launcher, "\"" + launcher + "\"", nullptr);
          break;
        case 4:
          ticks = channel.TimeToGame(ordinary, "\"" + ordinary + "\"", nullptr);
          break;
      }
      if (round >= warmup) rows[r].ticks.push_back(ticks);
    }
  }

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::printf("frequency %lld\n", frequency.QuadPart);
  for (const Row& row : rows) {
    std::printf("row %s", row.name);
    for (long long t : row.ticks) std::printf(" %lld", t);
    std::printf("\n");
  }
  return 0;
}
