#include "bench/bench_figures.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace varnix_bench {

const char Usage[] =
    "Usage: bench_driver [RUNS [WARMUP]] [--root=DIR]\n"
    "Times how long a player waits for the game through Varnix.exe, against\n"
    "starting it directly and against one empty process, and prints the\n"
    "table. RUNS >= 20 counted rounds (default 50) after WARMUP >= 1\n"
    "discarded ones (default 5). Varnix.exe, bench_game.exe,\n"
    "varnix_ordinary.exe, empty_process.exe and empty_user32.exe lie beside\n"
    "this program; the installations it times are laid out in a folder of\n"
    "its own under the temporary folder, or under DIR, and removed after.\n";

namespace {

// A count of at most six digits: more rounds than that would take days.
bool ParseCount(const std::wstring& text, int* value) {
  if (text.empty() || text.size() > 6) return false;
  int n = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    n = n * 10 + (c - L'0');
  }
  *value = n;
  return true;
}

}  // namespace

bool ParseArguments(const std::vector<std::wstring>& args, Arguments* out) {
  Arguments parsed;
  int counts = 0;
  const std::wstring rootSwitch = L"--root=";
  for (const std::wstring& arg : args) {
    if (arg == L"-h" || arg == L"--help") {
      parsed.help = true;
    } else if (arg.compare(0, rootSwitch.size(), rootSwitch) == 0) {
      if (!parsed.root.empty() || arg.size() == rootSwitch.size()) {
        return false;
      }
      parsed.root = arg.substr(rootSwitch.size());
    } else if (counts < 2 &&
               ParseCount(arg, counts == 0 ? &parsed.runs : &parsed.warmup)) {
      ++counts;
    } else {
      return false;
    }
  }
  if (parsed.runs < 20 || parsed.warmup < 1) return false;
  *out = parsed;
  return true;
}

namespace {

void Appendf(std::string* out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

void Appendf(std::string* out, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n > 0) out->append(line, std::min<std::size_t>(n, sizeof line - 1));
}

// The median as the figures have always been taken: the middle value, or
// the mean of the two middle ones.
double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n % 2 == 1) return values[n / 2];
  return (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Figures {
 public:
  explicit Figures(const Measurements& m)
      : m_(m), runs_(m.ticks[Empty].size()) {}

  std::size_t runs() const { return runs_; }

  double Ticks(Row row, std::size_t round) const {
    return static_cast<double>(m_.ticks[row][round]);
  }

  double Microseconds(double ticks) const {
    return ticks * 1e6 / static_cast<double>(m_.frequency);
  }

  double MedianUs(Row row) const {
    return Microseconds(Paired([&](std::size_t i) { return Ticks(row, i); }));
  }

  // The median over the rounds of value(round): rows of one round ran back
  // to back under the same load, so differences and ratios are taken within
  // a round before the median.
  template <typename Value>
  double Paired(Value value) const {
    std::vector<double> values;
    for (std::size_t i = 0; i < runs_; ++i) values.push_back(value(i));
    return Median(values);
  }

  // The difference is taken in integer ticks, exact however large.
  double Overhead(Row row, std::size_t i) const {
    return static_cast<double>(m_.ticks[row][i] - m_.ticks[Direct][i]);
  }

  double OverheadUs(Row row) const {
    return Microseconds(
        Paired([&](std::size_t i) { return Overhead(row, i); }));
  }

  double Ratio(Row row, Row base = Empty) const {
    return Paired(
        [&](std::size_t i) { return Overhead(row, i) / Ticks(base, i); });
  }

  long long User32Share(std::size_t i) const {
    return m_.ticks[EmptyUser32][i] - m_.ticks[Empty][i];
  }

 private:
  const Measurements& m_;
  std::size_t runs_;
};

}  // namespace

std::string FormatTable(const Measurements& m) {
  const Figures f(m);
  std::string out;
  Appendf(&out,
          "Under %s: medians of %d runs per row after %d warm-up rounds, all "
          "rows interleaved in one run;\n",
          m.system.c_str(), static_cast<int>(f.runs()), m.warmup);
  out +=
      "overheads and ratios are medians of each round's own difference and "
      "ratio.\n\n";
  Appendf(&out, "%36s%8s%10s%10s\n", "", "time", "overhead", "ratio to");
  Appendf(&out, "%36s%8s%10s%10s\n", "", "(us)", "(us)", "empty");

  const struct {
    const char* label;
    Row row;
    bool cost;
  } rows[] = {
      {"one empty process, start to exit", Empty, false},
      {"  the same, importing USER32", EmptyUser32, false},
      {"time to game, directly", Direct, false},
      {"time to game through Varnix.exe", Launcher, true},
      {"  the same, built with C runtime", Ordinary, true},
  };
  for (const auto& r : rows) {
    Appendf(&out, "%-36s%8.0f", r.label, f.MedianUs(r.row));
    if (r.cost) {
      Appendf(&out, "%10.0f%10.2f", f.OverheadUs(r.row), f.Ratio(r.row));
    }
    out += '\n';
  }

  // The warning boxes need USER32, and Windows loads it before the entry
  // runs: the least a launcher can cost is one process that imports it,
  // which is what the goal is measured against. Its share is told apart
  // from the rest of the launcher's cost after that.
  Appendf(&out,
          "\nVarnix.exe: overhead %.2f x one empty process importing USER32 "
          "(goal: 1.1 or less).\n",
          f.Ratio(Launcher, EmptyUser32));
  Appendf(&out, "Against one empty process without USER32: %.2f x.\n",
          f.Ratio(Launcher));
  Appendf(&out,
          "Importing USER32 alone adds %.0f us to a process here, %.2f x one "
          "empty process;\n",
          f.Microseconds(f.Paired([&](std::size_t i) {
            return static_cast<double>(f.User32Share(i));
          })),
          f.Paired([&](std::size_t i) {
            return static_cast<double>(f.User32Share(i)) / f.Ticks(Empty, i);
          }));
  Appendf(&out,
          "less that share, Varnix.exe's overhead is %.2f x one empty "
          "process.\n",
          f.Paired([&](std::size_t i) {
            return static_cast<double>(m.ticks[Launcher][i] -
                                       m.ticks[Direct][i] - f.User32Share(i)) /
                   f.Ticks(Empty, i);
          }));
  return out;
}

}  // namespace varnix_bench
