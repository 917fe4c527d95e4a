// The shape shared by the end-to-end tables: one installation, one start of
// the launcher with a given command line, and either the game's command line
// and folder or one warning box as the outcome.
#ifndef VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H
#define VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/player.h"

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

// A player's argument tail of `count` copies of `unit`.
struct RepeatedTail {
  const char* unit = "";
  size_t count = 0;
};

// In `commandLine`, `startIn` and `gameDirectory`, "{dir}" stands for the
// installation folder, "{DIR}" for the same in upper case, "{DIR/}" for that
// with forward slashes, "{dir.lower}" for it in lower case, "{unc}" for the
// same folder reached through the
// network share \\localhost\X$ of its drive, "{root}" for ScratchRoot(),
// and "{tail}" for the row's `tail`.
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
  // The ANSI code page the case needs (0: any); the game must see it too.
  unsigned codePage = 0;
  // When not 0, the folder is padded with double-byte characters of code
  // page 932 until its System folder's path is this many bytes long, and
  // so fewer characters.
  size_t systemPathBytes = 0;
  RepeatedTail tail = {};
};

std::string CaseName(const testing::TestParamInfo<LaunchCase>& info);
void PrintTo(const LaunchCase& row, std::ostream* out);

// The launcher and the stand-in, found beside this program.
const std::string& LauncherFile();
const std::string& StandInFile();

// Replaces the placeholders in `text` for the installation `folder`; "{unc}"
// only where `folder` lies on a lettered drive.
std::string WithFolder(const std::string& text, const std::string& folder,
                       const std::string& tail = "");
// `folder` reached through its drive's administrative network share, or ""
// when it lies on no lettered drive.
std::string ThroughShare(const std::string& folder);

class Launcher : public testing::TestWithParam<LaunchCase> {
 public:
  // Puts a stale per-drive variable for drive C into the environment that
  // every launcher is started with, so that a game that sees the right one
  // proves that the launcher recorded it.
  static void SetUpTestSuite();
};

// What every run must show: the launcher ended by itself with status 0.
void ExpectEndedWithStatusZero(const LaunchOutcome& outcome);
// Exactly one box, `warning`'s, with one OK button, the exclamation icon, no
// owner and not kept on top, up while the launcher waited; and no game.
void ExpectWarning(const LaunchOutcome& outcome, const Warning& warning);
// No box, and one game, still running when the launcher ended (so the
// launcher did not wait for it), that got `commandLine` byte for byte in
// `directory`, with its drive's per-drive variable naming that directory;
// in a network directory, with no per-drive variable set for it.
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
