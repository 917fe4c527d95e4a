// How the stand-in game tells the benchmark driver when it started. Both
// sides name the same mapping and event; the driver creates them, the game
// only opens them, so a game started outside the benchmark does nothing.
#ifndef VARNIX_BENCH_BENCH_CHANNEL_H
#define VARNIX_BENCH_BENCH_CHANNEL_H

namespace varnix_bench {

constexpr char GameRecordName[] = "VarnixBenchGameRecord";
constexpr char GameEnteredName[] = "VarnixBenchGameEntered";

// Written by the game into the mapping before it signals the event.
struct GameRecord {
  // QueryPerformanceCounter at the game's first instruction.
  long long enteredAt;
  // The game's process id, so that the driver can wait for its exit.
  unsigned long processId;
};

}  // namespace varnix_bench

#endif  // VARNIX_BENCH_BENCH_CHANNEL_H
