#include "tests/windows/launch_table.h"

namespace varnix_e2e {

// Written out here rather than taken from the launcher's sources: these are
// what the player reads, every blank and full stop of them.
const Warning Renamed = {
    "Failed to launch Varnix",
    "Varnix has been renamed.  Please check your configuration, consider "
    "reinstalling, and try again."};
const Warning NoSystemDirectory = {
    "Could not find System directory.",
    "Varnix can't find System directory.  Please check your configuration, "
    "consider reinstalling, and try again."};
const Warning NotInstalled = {
    "Failed to launch Varnix",
    "Varnix is not installed properly.  Please check your configuration, "
    "consider reinstalling, and try again."};

std::string CaseName(const testing::TestParamInfo<LaunchCase>& info) {
  return info.param.name;
}

void PrintTo(const LaunchCase& row, std::ostream* out) { *out << row.name; }

const std::string& LauncherFile() {
  static const std::string file = BuiltFilePath(VARNIX_LAUNCHER_FILE);
  return file;
}

const std::string& StandInFile() {
  static const std::string file = BuiltFilePath(VARNIX_STAND_IN_FILE);
  return file;
}

std::string WithFolder(const std::string& text, const std::string& folder) {
  std::string out = text;
  for (size_t at = out.find("{dir}"); at != std::string::npos;
       at = out.find("{dir}", at + folder.size())) {
    out.replace(at, 5, folder);
  }
  return out;
}

void Launcher::SetUpTestSuite() {
  SetEnvironmentVariableA("=C:", "C:\\Stale\\Per-Drive\\Directory");
}

void ExpectEndedWithStatusZero(const LaunchOutcome& outcome) {
  EXPECT_TRUE(outcome.ended) << "the launcher did not end by itself";
  EXPECT_EQ(0u, outcome.exitCode);
}

void ExpectWarning(const LaunchOutcome& outcome, const Warning& warning) {
  ExpectEndedWithStatusZero(outcome);
  ASSERT_EQ(1u, outcome.boxes.size()) << "warning boxes shown";
  const WarningBox& box = outcome.boxes[0];
  EXPECT_EQ(warning.caption, box.caption);
  EXPECT_EQ(warning.text, box.text);
  EXPECT_EQ(1, box.buttons);
  EXPECT_EQ(IDOK, box.buttonId);
  EXPECT_FALSE(box.owned) << "the box has an owner window";
  // Which icon, Wine does not let another process see; see WarningBox.
  EXPECT_TRUE(box.icon);
  EXPECT_TRUE(box.launcherWaiting) << "the box was not modal";
  EXPECT_EQ(0, outcome.gamesRunningAtEnd) << "a game was started";
  EXPECT_FALSE(outcome.gameReported) << "a game was started";
}

void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory) {
  ExpectEndedWithStatusZero(outcome);
  for (const WarningBox& box : outcome.boxes) {
    ADD_FAILURE() << "unexpected box \"" << box.caption << "\": " << box.text;
  }
  EXPECT_EQ(1, outcome.gamesRunningAtEnd)
      << "games still running when the launcher ended";
  ASSERT_TRUE(outcome.gameReported) << "the game wrote no report";
  const GameReport& report = outcome.report;
  EXPECT_EQ("released", report.hold);
  EXPECT_EQ(commandLine, report.commandLine);
  EXPECT_EQ(directory, report.currentDirectory);

  // Named with the upper-case drive letter whatever the case it was given
  // in, and only that name.
  ASSERT_GE(report.currentDirectory.size(), 2u);
  const char letter = report.currentDirectory[0];
  const std::string name = {'=', static_cast<char>(toupper(letter)), ':'};
  std::string value;
  EXPECT_TRUE(report.FindDriveVariable(name, &value))
      << "no per-drive variable " << name;
  EXPECT_EQ(report.currentDirectory, value) << "per-drive variable " << name;
  const std::string lowerName = {'=', static_cast<char>(tolower(letter)), ':'};
  EXPECT_FALSE(report.FindDriveVariable(lowerName, &value))
      << "a per-drive variable " << lowerName << " = " << value;
}

LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request) {
  std::string error;
  if (!LayOut(layout, LauncherFile(), StandInFile(), &error)) {
    LaunchOutcome outcome;
    outcome.failure = error;
    return outcome;
  }
  request.launcherFile = layout.folder + "\\" + layout.launcherName;
  request.reportFile = layout.folder + ".report";
  return Play(request);
}

TEST_P(Launcher, Run) {
  const LaunchCase& row = GetParam();
  if (row.codePage != 0) {
    // Wine takes the ANSI code page from LANG; this case's test runs with it.
    ASSERT_EQ(row.codePage, GetACP()) << "the ANSI code page is not the one "
                                         "this case is about";
  }
  Layout layout;
  layout.folder =
      std::string(VARNIX_E2E_ROOT "\\") + (row.folder ? row.folder : row.name);
  layout.launcherName = row.launcherName;
  layout.system = row.system;
  layout.game = row.game;
  LaunchRequest request;
  request.commandLine = WithFolder(row.commandLine, layout.folder);
  request.startIn = WithFolder(row.startIn, layout.folder);

  const LaunchOutcome outcome = LayOutAndLaunch(layout, request);
  ASSERT_EQ("", outcome.failure);
  if (row.warning) {
    ExpectWarning(outcome, *row.warning);
  } else {
    ExpectGame(outcome, row.gameCommandLine,
               WithFolder(row.gameDirectory, layout.folder));
    if (row.codePage != 0) {
      EXPECT_EQ(row.codePage, outcome.report.codePage);
    }
  }
  if (!HasFailure()) RemoveTree(layout.folder);
}

}  // namespace varnix_e2e
