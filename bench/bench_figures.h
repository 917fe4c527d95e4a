// What the benchmark prints, apart from how it times: its arguments and the
// table computed from the counter ticks. Windows-free, so that the host tests
// check the arithmetic where sanitizers run.
#ifndef VARNIX_BENCH_BENCH_FIGURES_H
#define VARNIX_BENCH_BENCH_FIGURES_H

#include <string>
#include <vector>

namespace varnix_bench {

// The rows in the order of the table, which is also the order in which the
// first round runs them.
enum Row { Empty, EmptyUser32, Direct, Launcher, Ordinary, RowCount };

struct Arguments {
  int runs = 50;
  int warmup = 5;
  // Empty: a folder of the benchmark's own under the temporary folder.
  std::wstring root;
  bool help = false;
};

// The arguments that Usage names. Fewer than 20 runs leave the medians at the
// mercy of a few slow starts; a round is discarded at least, because the
// first start of each program reads its file from disk. Returns false on
// anything else, and then leaves *out alone.
bool ParseArguments(const std::vector<std::wstring>& args, Arguments* out);

extern const char Usage[];

struct Measurements {
  // Where the rows ran, as the table's first line names it.
  std::string system;
  int warmup = 0;
  // Performance counter ticks per second.
  long long frequency = 0;
  // Per row, the ticks of each counted round, in round order: the rows'
  // i-th entries ran back to back.
  std::vector<long long> ticks[RowCount];
};

// The table. Every row needs the same number of rounds, one at least.
std::string FormatTable(const Measurements& m);

}  // namespace varnix_bench

#endif  // VARNIX_BENCH_BENCH_FIGURES_H
