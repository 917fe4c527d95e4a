#include "bench/bench_figures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace varnix_bench {
namespace {

TEST(BenchArguments, Accepted) {
  Arguments a;
  ASSERT_TRUE(ParseArguments({}, &a));
  EXPECT_EQ(a.runs, 50);
  EXPECT_EQ(a.warmup, 5);
  EXPECT_EQ(a.root, L"");
  ASSERT_TRUE(ParseArguments({L"20", L"1", L"--root=D:\\Scratch"}, &a));
  EXPECT_EQ(a.runs, 20);
  EXPECT_EQ(a.warmup, 1);
  EXPECT_EQ(a.root, L"D:\\Scratch");
  ASSERT_TRUE(ParseArguments({L"--root=C:\\x", L"30"}, &a));
  EXPECT_EQ(a.runs, 30);
  EXPECT_EQ(a.warmup, 5);
  ASSERT_TRUE(ParseArguments({L"--help"}, &a));
  EXPECT_TRUE(a.help);
}

TEST(BenchArguments, Refused) {
  const std::vector<std::vector<std::wstring>> refused = {
      {L"19"},
      {L"50", L"0"},
      {L"50", L"5", L"5"},
      {L"-50"},
      {L"5O"},
      {L""},
      {L"--root="},
      {L"--root=a", L"--root=b"},
      {L"--runs=50"},
      {L"99999999999999999999"},
  };
  for (const auto& args : refused) {
    Arguments a;
    a.runs = 77;
    EXPECT_FALSE(ParseArguments(args, &a)) << args.size();
    EXPECT_EQ(a.runs, 77) << "a refused parse leaves the result alone";
  }
}

// Lays out a PE image with one section of imports at address 0x1000, file
// offset 0x200, as a linker would, so that the count is checked on both
// widths and with both kinds of descriptor.
class ImageBuilder {
 public:
  explicit ImageBuilder(bool wide) : wide_(wide), bytes_(0x400, 0) {
    Put(0, 2, 0x5A4D);
    Put(0x3C, 4, PeOffset);
    Put(PeOffset, 4, 0x4550);
    Put(FileHeader + 2, 2, 1);  // one section
    const std::uint32_t optionalSize = wide ? 240 : 224;
    Put(FileHeader + 16, 2, optionalSize);
    Put(Optional, 2, wide ? 0x20B : 0x10B);
    Put(Optional + 60, 4, 0x200);  // size of the headers
    Put(Optional + DirectoryCountAt(), 4, 16);
    const std::uint32_t section = Optional + optionalSize;
    Put(section + 8, 4, 0x200);
    Put(section + 12, 4, SectionAddress);
    Put(section + 16, 4, 0x200);
    Put(section + 20, 4, SectionOffset);
  }

  // Imports `functions` functions from one more DLL, named by the lookup
  // table or, when `lookup` is false, by the address table alone. The
  // first function is imported by ordinal.
  void AddDll(int functions, bool lookup) {
    const std::uint32_t thunkBytes = wide_ ? 8 : 4;
    const std::uint32_t table = next_;
    for (int i = 0; i < functions; ++i) {
      const std::uint64_t ordinalFlag =
          wide_ ? 0x8000000000000000ull : 0x80000000ull;
      Put(Offset(table) + i * thunkBytes, thunkBytes,
          i == 0 ? ordinalFlag | 7 : 0x1300 + i);
    }
    next_ += (functions + 1) * thunkBytes;
    const std::uint32_t descriptor = Offset(SectionAddress) + 20 * dlls_++;
    Put(descriptor, 4, lookup ? table : 0);
    Put(descriptor + 12, 4, 0x1380);  // the name
    Put(descriptor + 16, 4, table);
    Put(Optional + DirectoryCountAt() + 12, 4, SectionAddress);
  }

  void Put(std::uint32_t offset, std::uint32_t bytes, std::uint64_t value) {
    for (std::uint32_t i = 0; i < bytes; ++i) {
      bytes_.at(offset + i) = static_cast<unsigned char>(value >> (8 * i));
    }
  }

  // Where the count of data directories lies in the optional header; the
  // directories follow it, eight bytes each.
  std::uint32_t DirectoryCountAt() const { return wide_ ? 108 : 92; }

  const std::vector<unsigned char>& bytes() const { return bytes_; }

  static constexpr std::uint32_t PeOffset = 0x80;
  static constexpr std::uint32_t FileHeader = PeOffset + 4;
  static constexpr std::uint32_t Optional = FileHeader + 20;
  static constexpr std::uint32_t SectionAddress = 0x1000;
  static constexpr std::uint32_t SectionOffset = 0x200;

 private:
  static std::uint32_t Offset(std::uint32_t address) {
    return address - SectionAddress + SectionOffset;
  }

  bool wide_;
  std::vector<unsigned char> bytes_;
  int dlls_ = 0;
  // The tables follow room for eight descriptors.
  std::uint32_t next_ = SectionAddress + 8 * 20;
};

FileFacts Count(const std::vector<unsigned char>& bytes) {
  FileFacts facts;
  facts.functions = -1;
  EXPECT_TRUE(CountImports(bytes.data(), bytes.size(), &facts));
  return facts;
}

TEST(CountImports, BothWidthsAndBothKindsOfDescriptor) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "PE32+" : "PE32");
    ImageBuilder image(wide);
    EXPECT_EQ(Count(image.bytes()).functions, 0) << "no import directory";
    image.AddDll(7, true);
    image.AddDll(2, false);
    image.AddDll(1, true);
    const FileFacts facts = Count(image.bytes());
    EXPECT_EQ(facts.functions, 10);
    EXPECT_EQ(facts.dlls, 3);
    EXPECT_EQ(facts.size, 0x400u);
  }
}

TEST(CountImports, DamagedImagesAreRefusedWithoutReadingPastThem) {
  ImageBuilder image(false);
  image.AddDll(3, true);
  const std::vector<unsigned char>& whole = image.bytes();
  // Every cut that ends inside the headers or the tables; the copy is sized
  // exactly, so that a read past its end is caught by the sanitizers.
  for (std::size_t size = 0; size < 0x200 + 8 * 20 + 4 * 4; ++size) {
    std::vector<unsigned char> cut(whole.begin(), whole.begin() + size);
    FileFacts facts;
    EXPECT_FALSE(CountImports(cut.data(), cut.size(), &facts)) << size;
  }

  std::vector<unsigned char> damaged = whole;
  damaged[0x3E] = 0x01;  // the PE header beyond the end
  FileFacts facts;
  EXPECT_FALSE(CountImports(damaged.data(), damaged.size(), &facts));
  damaged = whole;
  damaged[ImageBuilder::Optional] = 0x0C;  // neither PE32 nor PE32+
  EXPECT_FALSE(CountImports(damaged.data(), damaged.size(), &facts));

  // A lookup table without its terminating entry runs to the file's end.
  ImageBuilder unterminated(false);
  unterminated.AddDll(1, true);
  for (std::uint32_t at = 0x200 + 8 * 20; at < 0x400; at += 4) {
    unterminated.Put(at, 4, 0x1300);
  }
  EXPECT_FALSE(CountImports(unterminated.bytes().data(),
                            unterminated.bytes().size(), &facts));
}

Measurements Sample() {
  Measurements m;
  m.system = "wine-8.0 (Debian 8.0~repack-4)";
  m.warmup = 5;
  m.frequency = 10000000;
  m.ticks[Empty] = {8000, 8100, 7900, 8050, 9000};
  m.ticks[EmptyUser32] = {21000, 22500, 20000, 23000, 21999};
  m.ticks[Direct] = {90225, 90100, 90300, 90225, 90500};
  m.ticks[Launcher] = {107225, 106300, 108470, 107130, 113000};
  m.ticks[Ordinary] = {120000, 119000, 121500, 118000, 125000};
  m.files[Empty] = {2560, 1, 1};
  m.files[EmptyUser32] = {3072, 2, 2};
  m.files[Direct] = {3072, 7, 1};
  m.files[Launcher] = {6656, 11, 2};
  m.files[Ordinary] = {23040, 50, 3};
  return m;
}

// The figures as the earlier report computed them from the same ticks. The
// medians of two rows' times (9022.5 and 10722.5 us) and the launcher's
// ratio (2.125) fall on exact halves, which round to even; and the ratio is
// the median of each round's own ratio (2.12), not the ratio of the medians
// (1700 / 805 = 2.11).
TEST(FormatTable, AsTheFiguresHaveAlwaysBeenPrinted) {
  EXPECT_EQ(
      FormatTable(Sample()),
      "Under wine-8.0 (Debian 8.0~repack-4): medians of 5 runs per row after 5 "
      "warm-up rounds, all rows interleaved in one run;\n"
      "overheads and ratios are medians of each round's own difference and "
      "ratio.\n"
      "\n"
      "                                        time  overhead  ratio to  file "
      "size   imported\n"
      "                                        (us)      (us)     empty    "
      "(bytes)  functions\n"
      "one empty process, start to exit         805                           "
      "2560   1 (1 DLL)\n"
      "  the same, importing USER32            2200                           "
      "3072   2 (2 DLLs)\n"
      "time to game, directly                  9022                           "
      "3072   7 (1 DLL)\n"
      "time to game through Varnix.exe        10722      1700      2.12       "
      "6656  11 (2 DLLs)\n"
      "  the same, built with C runtime       12000      2978      3.72      "
      "23040  50 (3 DLLs)\n"
      "\n"
      "Varnix.exe: overhead 2.12 x one empty process (goal: 1.1 or less), 6656 "
      "bytes, 11 imported functions.\n"
      "Importing USER32 alone adds 1300 us to a process here, 1.62 x one empty "
      "process;\n"
      "less that share, Varnix.exe's overhead is 0.50 x one empty process.\n");
}

TEST(FormatTable, EvenRoundsTakeTheMeanOfTheMiddleTwo) {
  Measurements m = Sample();
  for (auto& row : m.ticks) row.pop_back();
  // Empty: 7900 8000 8050 8100, so 8025 ticks.
  const std::string table = FormatTable(m);
  EXPECT_NE(table.find("medians of 4 runs"), std::string::npos);
  EXPECT_NE(table.find("start to exit         802 "), std::string::npos)
      << table;
}

}  // namespace
}  // namespace varnix_bench
