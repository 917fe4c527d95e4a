// Installations in folders named in one code page's own characters, each run
// where that code page is the ANSI code page. Where the code page has them,
// the names hold characters whose second byte is 0x5C, the backslash, which
// must not be taken for a separator anywhere on the way to the game; in 949
// some have a second byte that is an ASCII letter.
#include <gtest/gtest.h>

#include "tests/windows/launch_table.h"

namespace varnix_e2e {
namespace {

template <size_t N>
std::vector<LaunchCase> In(unsigned codePage, const LaunchCase (&table)[N]) {
  std::vector<LaunchCase> rows(table, table + N);
  for (LaunchCase& row : rows) row.codePages = {codePage};
  return rows;
}

// The three ways a shell hands over the launcher's path: unquoted, quoted
// with a blank in it, and not at all (an empty command line, where the
// module file name stands in).
// clang-format off
#define THREE_STARTS(FOLDER, TAIL)                                   \
  {.name = "UnquotedPath",                                           \
   .folder = FOLDER,                                                 \
   .commandLine = "{dir}\\Varnix.exe " TAIL,                        \
   .gameCommandLine = "-LAUNCHED " TAIL},                            \
  {.name = "QuotedPathWithBlank",                                    \
   .folder = FOLDER " Quoted",                                       \
   .commandLine = "\"{dir}\\Varnix.exe\" \"" TAIL "\"",              \
   .gameCommandLine = "-LAUNCHED \"" TAIL "\""},                     \
  {.name = "EmptyCommandLine",                                       \
   .folder = FOLDER " Empty",                                        \
   .commandLine = "",                                                \
   .gameCommandLine = "-LAUNCHED "}
// clang-format on

// ソ and 表 end in 0x5C.
const LaunchCase JapaneseFolders[] = {
    {.name = "UnquotedPath",
     .folder = "ゲーム\\ソフト表",
     .commandLine = "{dir}\\Varnix.exe -名前 表",
     .gameCommandLine = "-LAUNCHED -名前 表"},
    {.name = "QuotedPathWithBlank",
     .folder = "ゲーム フォルダ",
     .commandLine = "\"{dir}\\Varnix.exe\" \"表\\名前\"",
     .gameCommandLine = "-LAUNCHED \"表\\名前\""},
    {.name = "EmptyCommandLine",
     .folder = "表 ゲーム",
     .commandLine = "",
     .gameCommandLine = "-LAUNCHED "},
};
INSTANTIATE_TEST_SUITE_P(CodePage932, Launcher,
                         testing::ValuesIn(In(932, JapaneseFolders)), CaseName);

// 乗 ends in 0x5C.
const LaunchCase SimplifiedChineseFolders[] = {
    THREE_STARTS("游戏乗\\存档", "-名字 乗\\文件夹"),
};
INSTANTIATE_TEST_SUITE_P(CodePage936, Launcher,
                         testing::ValuesIn(In(936, SimplifiedChineseFolders)),
                         CaseName);

// 똠 ends in 0x63, a "c".
const LaunchCase KoreanFolders[] = {
    THREE_STARTS("게임똠\\저장", "-이름 똠\\폴더"),
};
INSTANTIATE_TEST_SUITE_P(CodePage949, Launcher,
                         testing::ValuesIn(In(949, KoreanFolders)), CaseName);

// 許, 功 and 蓋 end in 0x5C.
const LaunchCase TraditionalChineseFolders[] = {
    THREE_STARTS("遊戲許功\\蓋", "-名字 許功蓋\\檔案"),
};
INSTANTIATE_TEST_SUITE_P(CodePage950, Launcher,
                         testing::ValuesIn(In(950, TraditionalChineseFolders)),
                         CaseName);

// In UTF-8 any folder and any argument: letters of several scripts, and a
// character of four bytes, beyond what one UTF-16 unit holds.
const LaunchCase Utf8Folders[] = {
    THREE_STARTS("ゲームZoë\\Café", "-name Zoë ゲ 🎮 \\"),
};
INSTANTIATE_TEST_SUITE_P(CodePage65001, Launcher,
                         testing::ValuesIn(In(65001, Utf8Folders)), CaseName);

// Started by its bare name in its folder, the launcher learns the System
// folder's full path from the system, in a buffer of 781 bytes: any path
// that Windows keeps as a current directory fits, however many bytes it
// takes. The longest it keeps is 258 characters, with its trailing
// backslash and terminator MAX_PATH (here more than 500 bytes, past the
// 261 of an ANSI program's usual buffer); at 260 characters Windows itself
// cannot enter the folder. (At 259 Wine enters it but starts the game
// elsewhere.)
const LaunchCase LongSystemPaths[] = {
    {.name = "SystemPathOf258Characters",
     .commandLine = "Varnix -x",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED -x",
     .systemPathCharacters = 258},
    {.name = "SystemPathOf260Characters",
     .commandLine = "Varnix -x",
     .startIn = "{dir}",
     .warning = &NoSystemDirectory,
     .systemPathCharacters = 260},
};
INSTANTIATE_TEST_SUITE_P(CodePage932LongPaths, Launcher,
                         testing::ValuesIn(In(932, LongSystemPaths)), CaseName);
INSTANTIATE_TEST_SUITE_P(CodePage65001LongPaths, Launcher,
                         testing::ValuesIn(In(65001, LongSystemPaths)),
                         CaseName);

// Windows takes command lines of up to 32,767 characters with the
// terminator, and in 932 each of these takes two bytes. A launcher in
// UTF-8 gets three bytes for each, and its ANSI command line holds 65,535
// bytes at most.
const LaunchCase LongDoubleByteTails[] = {
    // 32,758 bytes in 932.
    {.name = "TailOf16379Characters",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED {tail}",
     .tail = {.unit = "あ", .characters = 16379}},
    // The launcher gets its 32,758 characters whole, but "-LAUNCHED " makes
    // the game's command line 32,768 characters long. In UTF-8 they are
    // 98,274 bytes, more than an ANSI command line holds: Windows hands
    // the launcher none, and it shows the same box.
    {.name = "TailPastTheCharacterLimit",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .warning = &NotInstalled,
     .notUnderWineInUtf8 =
         "Wine 8 cuts a launcher's ANSI command line in UTF-8 short without "
         "a word: the game starts with the tail's first 10,912 characters",
     .tail = {.unit = "あ", .characters = 32758}},
};
INSTANTIATE_TEST_SUITE_P(CodePage932LongTails, Launcher,
                         testing::ValuesIn(In(932, LongDoubleByteTails)),
                         CaseName);

// In UTF-8 a character takes up to three bytes, so a tail of far fewer than
// 32,767 characters reaches the most that CreateProcessA passes on, a line
// of 65,535 bytes; Windows takes one byte less than Wine. A tail of 65,524
// bytes makes a line of 65,534 for the game, within both. One of 65,526
// bytes the launcher gets whole, but no ANSI call could pass it on, and
// the launcher does not try.
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
};
INSTANTIATE_TEST_SUITE_P(CodePage65001LongTails, Launcher,
                         testing::ValuesIn(In(65001, LongUtf8Tails)), CaseName);

}  // namespace
}  // namespace varnix_e2e
