// The shape shared by the end-to-end tables: one installation, one start of
// the launcher with a given command line, and either the game's command line
// and folder or one warning box as the outcome.
#ifndef VARNIX_TESTS_WINDOWS_LAUNCH_CASE_H
#define VARNIX_TESTS_WINDOWS_LAUNCH_CASE_H

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "launcher/fixed_values.h"
#include "player/player.h"

namespace varnix_e2e {

// This run's folder for its installations, made at its start and removed at
// its end, and the folder it lies in.
const std::string& ScratchRoot();
const std::string& ScratchBase();

struct Warning {
  const char* caption;
  const char* text;
};

inline constexpr Warning Renamed = {varnix::FailedToLaunchCaption,
                                    varnix::RenamedText};
inline constexpr Warning NoSystemDirectory = {varnix::NoSystemDirectoryCaption,
                                              varnix::NoSystemDirectoryText};
inline constexpr Warning NotInstalled = {varnix::FailedToLaunchCaption,
                                         varnix::NotInstalledText};

// A player's argument tail of exactly `bytes` bytes in the launcher's code
// page, or of `characters` UTF-16 units: copies of `unit`, made up to the
// length with "x" where one more copy would overrun it.
struct RepeatedTail {
  const char* unit = "";
  size_t bytes = 0;
  size_t characters = 0;
};

// Every text of a row is UTF-8, and is handed to the launcher through the
// system's wide calls, which turn it into the launcher's ANSI code page; a
// row whose text that code page cannot spell does not apply. Lengths in
// bytes are bytes in the launcher's code page.
// In `commandLine`, `startIn` and `gameDirectory`, "{dir}" stands for the
// installation folder, "{DIR}" for the same in upper case, "{DIR/}" for that
// with forward slashes, "{dir.lower}" for it in lower case, "{unc}" for the
// same folder reached through the network share \\localhost\X$ of its
// drive, "{root}" for ScratchRoot(), "{tail}" for the row's `tail`, and
// "{program}" for a program path of `programPathBytes` bytes naming the
// launcher. Anywhere, "{high}" stands for characters above 0x7F that the
// launcher's code page spells, from several scripts.
struct LaunchCase {
  const char* name;
  // Under ScratchRoot(); the case's name when not given.
  const char* folder = nullptr;
  const char* launcherName = "Varnix.exe";
  SystemFolder system = SystemFolder::Present;
  GameFile game = GameFile::StandIn;
  // Exactly what the launcher reads; "" is an empty command line.
  const char* commandLine = "{dir}\\Varnix.exe";
  const char* startIn = "{root}";
  // What should come of it: a game with this command line in this folder...
  const char* gameCommandLine = "";
  const char* gameDirectory = "{dir}\\System";
  // ...or this warning, and no game.
  const Warning* warning = nullptr;
  // Whether the launcher got as far as asking the system: for the
  // not-installed warning, to start the game, or refused the tail itself;
  // for the System-directory warning, to enter the folder, or refused the
  // path itself.
  bool tried = true;
  // The ANSI code pages the row is about: it applies only where the
  // launcher's or the system's code page is one of them; empty: any that
  // spells its text. In a run told that the launcher's is one of them, it
  // applies whatever its text, and fails where that cannot be spelled.
  std::vector<unsigned> codePages = {};
  // The launcher's and the system's code pages the row applies under alone;
  // empty: any.
  std::vector<unsigned> launcherCodePages = {};
  std::vector<unsigned> systemCodePages = {};
  // Where the launcher's code page cannot spell the row's text, this
  // warning: the system handed the launcher "?" for it.
  const Warning* warningWhereUnspelled = nullptr;
  // Where the outcome under Wine is Wine's own rather than the row's: why,
  // and the row skips there.
  const char* notUnderWine = nullptr;
  // Where Wine starts the game although Windows shows `warning`: why. Under
  // Wine the row then expects the game, as `gameCommandLine` and
  // `gameDirectory` say.
  const char* wineStartsTheGame = nullptr;
  // When not 0, the folder is padded with ゲ, two or three bytes in the
  // code pages that spell it, until its System folder's path is this many
  // characters long.
  size_t systemPathCharacters = 0;
  size_t programPathBytes = 0;
  RepeatedTail tail = {};
  // Where Wine traces the launcher's calls, a channel of Wine's on which
  // the launcher's process must report no error, warning or fixme.
  const char* wineChannel = "";
};

// The row's name, which also names its case.
void PrintTo(const LaunchCase& row, std::ostream* out);

// The rows that apply to this run (every row with --all-rows), each made
// about `codePage` when that is given.
std::vector<LaunchCase> Applying(std::span<const LaunchCase> table,
                                 unsigned codePage = 0);

// Registers a table's rows that apply to this run as the cases of `name`:
// LAUNCH_TABLE(name, rows) or LAUNCH_TABLE(name, rows, codePage).
#define LAUNCH_TABLE(name, rows, ...)                                          \
  INSTANTIATE_TEST_SUITE_P(name, Launcher,                                     \
                           testing::ValuesIn(Applying(rows, __VA_ARGS__ + 0)), \
                           testing::PrintToStringParamName())

// The launcher under test (--launcher=FILE) and the stand-in, beside this
// program.
const std::string& LauncherFile();
const std::string& StandInFile();

unsigned RunCodePage();       // --code-page=N, 0 when not given
bool AllRows();               // --all-rows
unsigned LauncherCodePage();  // the ANSI code page the launcher runs in

class Launcher : public testing::TestWithParam<LaunchCase> {};

// No box, and one game that got `commandLine` (UTF-8) in `directory`.
void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory);

// Lays out `layout` and starts its launcher, through `reachedAs` (the folder
// by another name) when given; `failure` says why either step failed.
LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request,
                              const std::string& reachedAs = "");

}  // namespace varnix_e2e

#endif  // VARNIX_TESTS_WINDOWS_LAUNCH_CASE_H
