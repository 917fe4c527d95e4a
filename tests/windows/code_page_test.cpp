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

}  // namespace
}  // namespace varnix_e2e
