// Installations in folders with Japanese names, run under code page 932.
// Every name below is written in that code page's bytes: several have a
// second byte of 0x5C, the backslash, which must not be taken for a
// separator anywhere on the way to the game.
#include <gtest/gtest.h>

#include "tests/windows/launch_table.h"

namespace varnix_e2e {
namespace {

// ゲーム
#define GAME_JA "\x83\x51\x81\x5B\x83\x80"
// ソフト表
#define SOFTWARE_TABLE_JA "\x83\x5C\x83\x74\x83\x67\x95\x5C"
// フォルダ
#define FOLDER_JA "\x83\x74\x83\x48\x83\x8B\x83\x5F"
// 名前 and 表
#define NAME_JA "\x96\xBC\x91\x4F"
#define TABLE_JA "\x95\x5C"

constexpr unsigned Japanese = 932;

const LaunchCase JapaneseFolders[] = {
    {.name = "UnquotedPath",
     .folder = GAME_JA "\\" SOFTWARE_TABLE_JA,
     .commandLine = "{dir}\\Varnix.exe -" NAME_JA " " TABLE_JA,
     .gameCommandLine = "-LAUNCHED -" NAME_JA " " TABLE_JA,
     .codePage = Japanese},
    {.name = "QuotedPathWithBlank",
     .folder = GAME_JA " " FOLDER_JA,
     .commandLine = "\"{dir}\\Varnix.exe\" \"" TABLE_JA "\\" NAME_JA "\"",
     .gameCommandLine = "-LAUNCHED \"" TABLE_JA "\\" NAME_JA "\"",
     .codePage = Japanese},
    {.name = "EmptyCommandLine",
     .folder = TABLE_JA " " GAME_JA,
     .commandLine = "",
     .gameCommandLine = "-LAUNCHED ",
     .codePage = Japanese},
};
INSTANTIATE_TEST_SUITE_P(CodePage932, Launcher,
                         testing::ValuesIn(JapaneseFolders), CaseName);

// Started by its bare name in its folder, the launcher learns the System
// folder's full path from the system, in a buffer of 261 bytes: a path of
// fewer than 260 characters can take more bytes than that.
const LaunchCase LongSystemPaths[] = {
    {.name = "SystemPathOf259Bytes",
     .commandLine = "Varnix -x",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED -x",
     .codePage = Japanese,
     .systemPathBytes = 259},
    {.name = "SystemPathOf260Bytes",
     .commandLine = "Varnix -x",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED -x",
     .codePage = Japanese,
     .systemPathBytes = 260},
    {.name = "SystemPathOf261Bytes",
     .commandLine = "Varnix -x",
     .startIn = "{dir}",
     .warning = &NoSystemDirectory,
     .codePage = Japanese,
     .systemPathBytes = 261},
};
INSTANTIATE_TEST_SUITE_P(CodePage932LongPaths, Launcher,
                         testing::ValuesIn(LongSystemPaths), CaseName);

// Windows takes command lines of up to 32,767 characters with the
// terminator, and each of these takes two bytes.
#define HIRAGANA_A "\x82\xA0"
const LaunchCase LongDoubleByteTails[] = {
    // 32,758 bytes, far more than the characters' count.
    {.name = "TailOf16379Characters",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED {tail}",
     .codePage = Japanese,
     .tail = {HIRAGANA_A, 16379}},
    // The launcher gets it whole, but "-LAUNCHED " makes the game's command
    // line 32,768 characters long.
    {.name = "TailPastTheCharacterLimit",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .warning = &NotInstalled,
     .codePage = Japanese,
     .tail = {HIRAGANA_A, 32758}},
};
INSTANTIATE_TEST_SUITE_P(CodePage932LongTails, Launcher,
                         testing::ValuesIn(LongDoubleByteTails), CaseName);

}  // namespace
}  // namespace varnix_e2e
