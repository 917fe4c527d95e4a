// The shape shared by the end-to-end tables: one installation, one start of
// the launcher with a given command line, and either the game's command line
// and folder or one warning box as the outcome.
#ifndef VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H
#define VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/player.h"

namespace varnix_e2e {

// Every installation lies in a folder of its own under this one: a folder of
// this run's own under the temporary folder, or under the folder given with
// --root=FOLDER, made when the program starts and removed when it ends.
const std::string& ScratchRoot();

struct Warning {
  const char* caption;
  const char* text;
};

extern const Warning Renamed;
extern const Warning NoSystemDirectory;
extern const Warning NotInstalled;

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
// row whose text that code page cannot spell skips (or, with
// `warningWhereUnspelled`, expects that warning). Lengths in bytes are
// bytes in the launcher's code page.
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
  const char* gameCommandLine = nullptr;
  const char* gameDirectory = "{dir}\\System";
  // ...or this warning, and no game.
  const Warning* warning = nullptr;
  // Whether the launcher got as far as asking the system: for the
  // not-installed warning, to start the game, or refused the tail itself;
  // for the System-directory warning, to enter the folder, or refused the
  // path itself.
  bool tried = true;
  // The ANSI code pages the row is about: it runs only where the
  // launcher's or the system's code page is one of them; empty: any that
  // spells its text. In a run told that the launcher's is one of them, it
  // never skips.
  std::vector<unsigned> codePages = {};
  // The system code pages the row runs under alone, whatever the launcher's;
  // empty: any.
  std::vector<unsigned> systemCodePages = {};
  // Where the launcher's code page cannot spell the row's text, this
  // warning instead of a skip: the system handed the launcher "?" for it.
  const Warning* warningWhereUnspelled = nullptr;
  // Where the launcher runs in UTF-8 under Wine and the system does not in
  // UTF-8, and the outcome is Wine's own rather than the row's: why, and
  // the row skips there.
  const char* notUnderWineInUtf8 = nullptr;
  // When not 0, the folder is padded with ゲ, two or three bytes in the
  // code pages that spell it, until its System folder's path is this many
  // characters long.
  size_t systemPathCharacters = 0;
  size_t programPathBytes = 0;
  RepeatedTail tail = {};
};

std::string CaseName(const testing::TestParamInfo<LaunchCase>& info);
void PrintTo(const LaunchCase& row, std::ostream* out);

// The launcher under test (--launcher=FILE, Varnix.exe unless told) and the
// stand-in, found beside this program; every installation has the launcher
// under the name Varnix.exe.
const std::string& LauncherFile();
const std::string& StandInFile();

// The ANSI code page the launcher under test runs in: UTF-8 where its
// manifest asks for it and the system honours that, or where the system's
// is UTF-8; the system's otherwise.
unsigned LauncherCodePage();

// `utf8` in `codePage`, when that code page spells every character of it.
bool Spelled(const std::string& utf8, unsigned codePage, std::string* bytes);

// `folder` reached through its drive's administrative network share, or ""
// when it lies on no lettered drive.
std::string ThroughShare(const std::string& folder);

class Launcher : public testing::TestWithParam<LaunchCase> {};

// What every run must show: the launcher ended by itself with status 0.
void ExpectEndedWithStatusZero(const LaunchOutcome& outcome);
// Exactly one box, `warning`'s, with one OK button, the exclamation icon, no
// owner and not kept on top; and no game. `directory` is the System folder
// that the launcher entered before it tried to start the game, for the
// not-installed warning; `tried` as LaunchCase has it.
void ExpectWarning(const LaunchOutcome& outcome, const Warning& warning,
                   const std::string& directory = "", bool tried = true);
// No box, and one game, still running when the launcher ended (so the
// launcher did not wait for it), that got `commandLine` in `directory`
// (UTF-8: its wide views, always, and its ANSI views where the system's
// code page spells them), with the environment the launcher was started
// with and its drive's per-drive variable naming that directory; in a
// network directory, with that environment unchanged.
void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory);

// Lays out `layout` and starts the launcher in it with `request`, whose
// launcher file and report file are filled in here; the launcher is started
// through `reachedAs` (the folder by another name) when given. When either
// step cannot be carried out, the outcome's `failure` says why.
LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request,
                              const std::string& reachedAs = "");

}  // namespace varnix_e2e

#endif  // VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H
