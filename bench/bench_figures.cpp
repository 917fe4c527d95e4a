#include "bench/bench_figures.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
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

// Little-endian reads within the image; false past its end.
class ImageReader {
 public:
  ImageReader(const unsigned char* data, std::size_t size)
      : data_(data), size_(size) {}

  bool Read(std::uint64_t offset, int bytes, std::uint64_t* value) const {
    if (offset > size_ || size_ - offset < static_cast<std::uint64_t>(bytes)) {
      return false;
    }
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | data_[offset + i];
    *value = v;
    return true;
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

struct Section {
  std::uint64_t address, extent, fileOffset;
};

// Where an address of the loaded image lies in the file: in the headers,
// which load at address 0 as they are, or in the section that covers it.
bool FileOffset(const std::vector<Section>& sections, std::uint64_t headersSize,
                std::uint64_t address, std::uint64_t* offset) {
  for (const Section& s : sections) {
    if (address >= s.address && address - s.address < s.extent) {
      *offset = s.fileOffset + (address - s.address);
      return true;
    }
  }
  if (address < headersSize) {
    *offset = address;
    return true;
  }
  return false;
}

// Bounds on a damaged file's tables: far beyond any real program's.
constexpr int MaxDlls = 4096;
constexpr int MaxFunctionsPerDll = 65536;

}  // namespace

bool CountImports(const unsigned char* data, std::size_t size,
                  FileFacts* facts) {
  const ImageReader image(data, size);
  std::uint64_t v, peOffset, sectionCount, optionalSize, magic;
  if (!image.Read(0, 2, &v) || v != 0x5A4D) return false;  // "MZ"
  if (!image.Read(0x3C, 4, &peOffset)) return false;
  if (!image.Read(peOffset, 4, &v) || v != 0x4550) return false;  // "PE\0\0"
  const std::uint64_t fileHeader = peOffset + 4;
  if (!image.Read(fileHeader + 2, 2, &sectionCount) ||
      !image.Read(fileHeader + 16, 2, &optionalSize)) {
    return false;
  }
  const std::uint64_t optional = fileHeader + 20;
  if (!image.Read(optional, 2, &magic)) return false;
  // PE32 and PE32+ differ here in the width of the thunks and of the
  // fields before the data directories.
  int thunkBytes;
  std::uint64_t directoryCountAt;
  if (magic == 0x10B) {
    thunkBytes = 4;
    directoryCountAt = 92;
  } else if (magic == 0x20B) {
    thunkBytes = 8;
    directoryCountAt = 108;
  } else {
    return false;
  }
  std::uint64_t headersSize, directoryCount;
  if (!image.Read(optional + 60, 4, &headersSize) ||
      !image.Read(optional + directoryCountAt, 4, &directoryCount)) {
    return false;
  }

  std::vector<Section> sections;
  const std::uint64_t sectionTable = optional + optionalSize;
  for (std::uint64_t i = 0; i < sectionCount; ++i) {
    const std::uint64_t at = sectionTable + 40 * i;
    std::uint64_t virtualSize, address, rawSize, rawOffset;
    if (!image.Read(at + 8, 4, &virtualSize) ||
        !image.Read(at + 12, 4, &address) ||
        !image.Read(at + 16, 4, &rawSize) ||
        !image.Read(at + 20, 4, &rawOffset)) {
      return false;
    }
    sections.push_back({address, std::max(virtualSize, rawSize), rawOffset});
  }

  FileFacts counted;
  counted.size = size;
  // Directory 1 is the import directory; an image with fewer directories,
  // or an empty one, imports nothing.
  std::uint64_t importAddress = 0;
  if (directoryCount > 1 &&
      !image.Read(optional + directoryCountAt + 4 + 8, 4, &importAddress)) {
    return false;
  }
  if (importAddress != 0) {
    std::uint64_t descriptor;
    if (!FileOffset(sections, headersSize, importAddress, &descriptor)) {
      return false;
    }
    // One 20-byte descriptor per DLL, up to one of all zeros.
    for (;; descriptor += 20) {
      std::uint64_t lookup, name, thunks;
      if (!image.Read(descriptor, 4, &lookup) ||
          !image.Read(descriptor + 12, 4, &name) ||
          !image.Read(descriptor + 16, 4, &thunks)) {
        return false;
      }
      bool allZeros = true;
      for (int field = 0; field < 20; field += 4) {
        if (!image.Read(descriptor + field, 4, &v)) return false;
        allZeros = allZeros && v == 0;
      }
      if (allZeros) break;
      if (++counted.dlls > MaxDlls) return false;
      // The lookup table names the functions; a linker may leave it out
      // and let the address table, unbound, name them instead.
      std::uint64_t entry;
      if (!FileOffset(sections, headersSize, lookup ? lookup : thunks,
                      &entry)) {
        return false;
      }
      for (int n = 0;; ++n, entry += thunkBytes) {
        if (n > MaxFunctionsPerDll) return false;
        if (!image.Read(entry, thunkBytes, &v)) return false;
        if (v == 0) break;
        ++counted.functions;
      }
    }
  }
  *facts = counted;
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

  double Ratio(Row row) const {
    return Paired(
        [&](std::size_t i) { return Overhead(row, i) / Ticks(Empty, i); });
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
  Appendf(&out, "%36s%8s%10s%10s%11s%11s\n", "", "time", "overhead", "ratio to",
          "file size", "imported");
  Appendf(&out, "%36s%8s%10s%10s%11s%11s\n", "", "(us)", "(us)", "empty",
          "(bytes)", "functions");

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
    } else {
      out.append(20, ' ');
    }
    const FileFacts& file = m.files[r.row];
    Appendf(&out, "%11llu%4d (%d DLL%s)\n", file.size, file.functions,
            file.dlls, file.dlls > 1 ? "s" : "");
  }

  const FileFacts& launcher = m.files[Launcher];
  Appendf(&out,
          "\nVarnix.exe: overhead %.2f x one empty process (goal: 1.1 or "
          "less), %llu bytes, %d imported functions.\n",
          f.Ratio(Launcher), launcher.size, launcher.functions);
  // The warning boxes need USER32, and Windows loads it before the entry
  // runs; its share is told apart from the rest of the launcher's cost.
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
