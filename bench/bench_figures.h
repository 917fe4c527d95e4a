// What the benchmark prints, apart from how it times: its arguments, the
// table computed from the counter ticks, and the size and imports of each
// program file. Windows-free, so that the host tests check the arithmetic
// and the import count where sanitizers run.
#ifndef VARNIX_BENCH_BENCH_FIGURES_H
#define VARNIX_BENCH_BENCH_FIGURES_H

#include <cstddef>
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

// Usage: bench_driver [RUNS [WARMUP]] [--root=DIR], RUNS >= 20 and
// WARMUP >= 1. Fewer runs leave the medians at the mercy of a few slow
// starts; a round is discarded at least, because the first start of each
// program reads its file from disk. Returns false on anything else.
bool ParseArguments(const std::vector<std::wstring>& args, Arguments* out);

extern const char Usage[];

// A program file's size and the functions and DLLs its import directory
// names (delay-loaded and bound imports aside: Windows resolves those
// later or not at all).
struct FileFacts {
  unsigned long long size = 0;
  int functions = 0;
  int dlls = 0;
};

// Counts the imports of a PE32 or PE32+ image held in memory. An image
// without an import directory imports nothing; returns false when the data
// is not such an image or a table runs off its end.
bool CountImports(const unsigned char* data, std::size_t size,
                  FileFacts* facts);

struct Measurements {
  // Where the rows ran, as the table's first line names it.
  std::string system;
  int warmup = 0;
  // Performance counter ticks per second.
  long long frequency = 0;
  // Per row, the ticks of each counted round, in round order: the rows'
  // i-th entries ran back to back.
  std::vector<long long> ticks[RowCount];
  // Per row, the file it starts: the game itself for Direct.
  FileFacts files[RowCount];
};

// The table. Every row needs the same number of rounds, one at least.
std::string FormatTable(const Measurements& m);

}  // namespace varnix_bench

#endif  // VARNIX_BENCH_BENCH_FIGURES_H
