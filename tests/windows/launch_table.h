// The shape shared by the end-to-end tables: one installation, one start of
// the launcher with a given command line, and either the game's command line
// and folder or one warning box as the outcome.
#ifndef VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H
#define VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/player.h"

namespace varnix_e2e {

// Every installation lies in a folder of its own under this one, on drive C
// of the test's Wine prefix.
#define VARNIX_E2E_ROOT "C:\\VarnixE2E"

struct Warning {
  const char* caption;
  const char* text;
};

extern const Warning Renamed;
extern const Warning NoSystemDirectory;
extern const Warning NotInstalled;

// In `commandLine`, `startIn` and `gameDirectory`, "{dir}" stands for the
// installation folder.
struct LaunchCase {
  const char* name;
  // Under VARNIX_E2E_ROOT; the case's name when not given.
  const char* folder = nullptr;
  const char* launcherName = "Varnix.exe";
  SystemFolder system = SystemFolder::Present;
  GameFile game = GameFile::StandIn;
  // Exactly what the launcher reads; "" is an empty command line.
  const char* commandLine = "{dir}\\Varnix.exe";
  const char* startIn = VARNIX_E2E_ROOT;
  // What should come of it: a game with this command line in this folder...
  const char* gameCommandLine = nullptr;
  const char* gameDirectory = "{dir}\\System";
  // ...or this warning, and no game.
  const Warning* warning = nullptr;
  // The ANSI code page the case needs (0: any); the game must see it too.
  unsigned codePage = 0;
};

std::string CaseName(const testing::TestParamInfo<LaunchCase>& info);
void PrintTo(const LaunchCase& row, std::ostream* out);

// The launcher and the stand-in as the build left them.
const std::string& LauncherFile();
const std::string& StandInFile();

// Replaces every "{dir}" in `text` with `folder`.
std::string WithFolder(const std::string& text, const std::string& folder);

class Launcher : public testing::TestWithParam<LaunchCase> {
 public:
  // Puts a stale per-drive variable for drive C into the environment that
  // every launcher is started with, so that a game that sees the right one
  // proves that the launcher recorded it.
  static void SetUpTestSuite();
};

// What every run must show: the launcher ended by itself with status 0.
void ExpectEndedWithStatusZero(const LaunchOutcome& outcome);
// Exactly one box, `warning`'s, with one OK button, an icon and no owner, up
// while the launcher waited; and no game.
void ExpectWarning(const LaunchOutcome& outcome, const Warning& warning);
// No box, and one game, still running when the launcher ended (so the
// launcher did not wait for it), that got `commandLine` byte for byte in
// `directory`, with its drive's per-drive variable naming that directory.
void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory);

// Lays out `layout` and starts the launcher in it with `request`, whose
// launcher file and report file are filled in here. When either step cannot
// be carried out, the outcome's `failure` says why.
LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request);

}  // namespace varnix_e2e

#endif  // VARNIX_TESTS_WINDOWS_LAUNCH_TABLE_H
