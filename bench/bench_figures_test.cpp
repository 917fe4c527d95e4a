#include "bench/bench_figures.h"

#include <gtest/gtest.h>

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
  return m;
}

// The figures as the earlier report computed them from the same ticks. The
// medians of two rows' times (9022.5 and 10722.5 us) and the launcher's
// ratio (2.125) fall on exact halves, which round to even; and the ratio is
// the median of each round's own ratio (2.12), not the ratio of the medians
// (1700 / 805 = 2.11). The headline, against the process importing USER32,
// is the median of 17000 / 21000 and the four other rounds' ratios (0.81).
TEST(FormatTable, AsTheFiguresHaveAlwaysBeenPrinted) {
  EXPECT_EQ(
      FormatTable(Sample()),
      "Under wine-8.0 (Debian 8.0~repack-4): medians of 5 runs per row after 5 "
      "warm-up rounds, all rows interleaved in one run;\n"
      "overheads and ratios are medians of each round's own difference and "
      "ratio.\n"
      "\n"
      "                                        time  overhead  ratio to\n"
      "                                        (us)      (us)     empty\n"
      "one empty process, start to exit         805\n"
      "  the same, importing USER32            2200\n"
      "time to game, directly                  9022\n"
      "time to game through Varnix.exe        10722      1700      2.12\n"
      "  the same, built with C runtime       12000      2978      3.72\n"
      "\n"
      "Varnix.exe: overhead 0.81 x one empty process importing USER32 "
      "(goal: 1.1 or less).\n"
      "Against one empty process without USER32: 2.12 x.\n"
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
  EXPECT_NE(table.find("start to exit         802\n"), std::string::npos)
      << table;
}

}  // namespace
}  // namespace varnix_bench
