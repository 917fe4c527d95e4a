// Installations in folders named in one code page's own characters, each run
// where that code page is the ANSI code page. Where the code page has them,
// the names hold characters whose second byte is 0x5C, the backslash, which
// must not be taken for a separator anywhere on the way to the game; in 949
// some have a second byte that is an ASCII letter.
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/launch_case.h"

namespace varnix_e2e {
namespace {

// The lead bytes that the launcher knows without asking are those that the
// system reports; in 1361 its table also holds 0x81 to 0x83, which begin no
// character there, where the system's ranges start at 0x84.
TEST(FixedLeadBytes, AsTheSystemReports) {
  for (const unsigned codePage : {932u, 936u, 949u, 950u, 1361u}) {
    varnix::LeadByteSet fixed = {}, reported = {};
    CPINFO info;
    ASSERT_TRUE(varnix::FixedLeadBytes(codePage, fixed)) << codePage;
    ASSERT_TRUE(GetCPInfo(codePage, &info)) << codePage;
    varnix::ReportedLeadBytes(info.MaxCharSize, info.LeadByte, reported);
    if (codePage == 1361) reported.AddRange(0x81, 0x83);
    EXPECT_TRUE(std::ranges::equal(fixed.bits, reported.bits)) << codePage;
  }
}

// The three ways a shell hands over the launcher's path, as the table
// NAME about CODE_PAGE: unquoted, quoted with a blank in it, and not at all
// (an empty command line, where the module file name stands in).
// clang-format off
#define THREE_STARTS(NAME, CODE_PAGE, FOLDER, TAIL)                  \
  const LaunchCase NAME##Rows[] = {                                  \
    {.name = "UnquotedPath",                                         \
     .folder = FOLDER,                                               \
     .commandLine = "{dir}\\Varnix.exe " TAIL,                       \
     .gameCommandLine = "-LAUNCHED " TAIL},                          \
    {.name = "QuotedPathWithBlank",                                  \
     .folder = FOLDER " Quoted",                                     \
     .commandLine = "\"{dir}\\Varnix.exe\" \"" TAIL "\"",            \
     .gameCommandLine = "-LAUNCHED \"" TAIL "\""},                   \
    {.name = "EmptyCommandLine",                                     \
     .folder = FOLDER " Empty",                                      \
     .commandLine = "",                                              \
     .gameCommandLine = "-LAUNCHED "}};                              \
  LAUNCH_TABLE(NAME, NAME##Rows, CODE_PAGE)
// clang-format on

// ソ and 表 end in 0x5C.
THREE_STARTS(CodePage932, 932, "ゲーム\\ソフト表", "-名前 表\\名前 表");

// 乗 ends in 0x5C.
THREE_STARTS(CodePage936, 936, "游戏乗\\存档", "-名字 乗\\文件夹");

// 똠 ends in 0x63, a "c".
THREE_STARTS(CodePage949, 949, "게임똠\\저장", "-이름 똠\\폴더");

// 許, 功 and 蓋 end in 0x5C.
THREE_STARTS(CodePage950, 950, "遊戲許功\\蓋", "-名字 許功蓋\\檔案");

// In UTF-8 any folder and any argument: letters of several scripts, and a
// character of four bytes, beyond what one UTF-16 unit holds.
THREE_STARTS(CodePage65001, 65001, "ゲームZoë\\Café", "-name Zoë ゲ 🎮 \\");

// Started by its bare name in its folder, the launcher learns the System
// folder's full path from the system, in a buffer of 781 bytes: any
// current directory fits, however many bytes it takes (here more than 500,
// past the 261 of an ANSI program's usual buffer). The launcher is not
// long-path aware, so MAX_PATH bounds it twice: a current directory holds
// at most 258 characters with the backslash and terminator the system adds
// (SetCurrentDirectory), and a relative name resolves into at most MAX_PATH
// with the terminator ("Naming Files, Paths, and Namespaces"), so the game
// starts by its relative name from a System folder of at most 246
// characters. Wine knows the first limit only. (At 259 Wine enters the
// folder but starts the game elsewhere.)
// Started by its bare name, from a folder whose System folder's path is
// `characters` long: the game, or the `warning` of Windows, and under Wine
// the game where `wine` says why.
LaunchCase LongSystemPath(const char* name, size_t characters,
                          const Warning* warning = nullptr,
                          const char* wine = nullptr) {
  return {.name = name,
          .commandLine = "Varnix -x",
          .startIn = "{dir}",
          .gameCommandLine = "-LAUNCHED -x",
          .warning = warning,
          .wineStartsTheGame = wine,
          .systemPathCharacters = characters};
}
constexpr char AnyLength[] =
    "Wine resolves a relative name into a path of any length";
const LaunchCase LongSystemPaths[] = {
    LongSystemPath("SystemPathOf246Characters", 246),
    LongSystemPath("SystemPathOf247Characters", 247, &NotInstalled, AnyLength),
    LongSystemPath("SystemPathOf258Characters", 258, &NotInstalled, AnyLength),
    LongSystemPath("SystemPathOf260Characters", 260, &NoSystemDirectory)};
LAUNCH_TABLE(CodePage932LongPaths, LongSystemPaths, 932);
LAUNCH_TABLE(CodePage65001LongPaths, LongSystemPaths, 65001);

// Windows takes command lines of up to 32,767 characters with the
// terminator, and in 932 each of these takes two bytes.
const LaunchCase LongDoubleByteTails[] = {
    // 32,758 bytes in 932.
    {.name = "TailOf16379Characters",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED {tail}",
     .tail = {.unit = "あ", .characters = 16379}},
    // The launcher gets its 32,758 characters whole, but "-LAUNCHED " makes
    // the game's command line 32,768 characters long. (A launcher in UTF-8
    // meets another limit first, TailOf21846ThreeByteCharacters.)
    {.name = "TailPastTheCharacterLimit",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .warning = &NotInstalled,
     .launcherCodePages = {932},
     .tail = {.unit = "あ", .characters = 32758}},
};
LAUNCH_TABLE(CodePage932LongTails, LongDoubleByteTails, 932);

// In UTF-8 a character takes up to three bytes, so a tail of far fewer than
// 32,767 characters reaches the most that CreateProcessA passes on, a line
// of 65,535 bytes; Windows takes one byte less than Wine. A tail of 65,524
// bytes makes a line of 65,534 for the game, within both. One of 65,526
// bytes the launcher gets whole, but no ANSI call could pass it on, and
// the launcher does not try. Past 21,845 characters of three bytes no
// ANSI command line holds the tail at all: Windows hands the launcher none,
// and it shows the not-installed box.
const LaunchCase LongUtf8Tails[] = {
    {.name = "TailOf65524Bytes",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED {tail}",
     .tail = {.unit = "ゲ", .bytes = 65524}},
    {.name = "TailOf65526Bytes",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .warning = &NotInstalled,
     .tried = false,
     .tail = {.unit = "ゲ", .bytes = 65526}},
    {.name = "TailOf21846ThreeByteCharacters",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .warning = &NotInstalled,
     .tried = false,
     .notUnderWine = "Wine 8 cuts a launcher's ANSI command line in UTF-8 "
                     "short without a word instead: the game starts with the "
                     "tail's first 10,912 characters",
     .tail = {.unit = "ゲ", .characters = 21846}},
};
LAUNCH_TABLE(CodePage65001LongTails, LongUtf8Tails, 65001);

}  // namespace
}  // namespace varnix_e2e
