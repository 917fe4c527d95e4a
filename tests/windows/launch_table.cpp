#include "tests/windows/launch_table.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

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

namespace {

std::string& Root() {
  static std::string root;
  return root;
}

// The folder this program lies in, with its trailing separator.
std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  const size_t last = folder.find_last_of("\\/");
  return last == std::string::npos ? std::string() : folder.substr(0, last + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void ReplaceAll(std::string* text, const std::string& what,
                const std::string& with) {
  for (size_t at = text->find(what); at != std::string::npos;
       at = text->find(what, at + with.size())) {
    text->replace(at, what.size(), with);
  }
}

// Every per-drive variable ("=X:=value") of this process's environment.
std::vector<std::string> OwnDriveVariables() {
  std::vector<std::string> found;
  char* block = GetEnvironmentStringsA();
  if (!block) return found;
  for (const char* entry = block; *entry; entry += strlen(entry) + 1) {
    if (entry[0] == '=' && entry[1] && entry[2] == ':' && entry[3] == '=') {
      found.push_back(entry);
    }
  }
  FreeEnvironmentStringsA(block);
  return found;
}

// The exact arguments of the launcher's two Windows calls, as Wine traced
// them: CreateProcessA for the game only when it is to be started (or was
// tried and failed), MessageBoxA only for a warning.
void ExpectCalls(const LaunchOutcome& outcome, int starts, int boxes) {
  if (!outcome.traced) return;
  int startCalls = 0;
  int boxCalls = 0;
  for (const TracedCall& call : outcome.calls) {
    const auto& v = call.values;
    // A BOOL or a DWORD is traced as the whole register it came in, so only
    // its low 32 bits count.
    const auto low = [&v](size_t i) { return static_cast<uint32_t>(v[i]); };
    if (call.function == "CreateProcessA") {
      ++startCalls;
      ASSERT_EQ(10u, v.size()) << "CreateProcessA's arguments";
      EXPECT_EQ("\"RuZoriru.exe\"", call.texts[0]) << "lpApplicationName";
      EXPECT_EQ(0u, v[2]) << "lpProcessAttributes";
      EXPECT_EQ(0u, v[3]) << "lpThreadAttributes";
      EXPECT_EQ(0u, low(4)) << "bInheritHandles";
      EXPECT_EQ(static_cast<uint32_t>(NORMAL_PRIORITY_CLASS), low(5))
          << "dwCreationFlags";
      EXPECT_EQ(0u, v[6]) << "lpEnvironment";
      EXPECT_EQ(0u, v[7]) << "lpCurrentDirectory";
    } else {
      ++boxCalls;
      ASSERT_EQ(4u, v.size()) << "MessageBoxA's arguments";
      EXPECT_EQ(0u, v[0]) << "hWnd";
      EXPECT_EQ(static_cast<uint32_t>(MB_OK | MB_ICONEXCLAMATION), low(3))
          << "uType";
    }
  }
  EXPECT_EQ(starts, startCalls) << "the launcher's calls of CreateProcessA";
  EXPECT_EQ(boxes, boxCalls) << "the launcher's calls of MessageBoxA";
}

}  // namespace

const std::string& ScratchRoot() { return Root(); }

const std::string& LauncherFile() {
  static const std::string file = OwnFolder() + "Varnix.exe";
  return file;
}

const std::string& StandInFile() {
  static const std::string file = OwnFolder() + "RuZoriru.exe";
  return file;
}

std::string ThroughShare(const std::string& folder) {
  const char drive = static_cast<char>(toupper(folder.empty() ? 0 : folder[0]));
  if (drive < 'A' || drive > 'Z' || folder.compare(1, 2, ":\\") != 0) {
    return "";
  }
  return std::string("\\\\localhost\\") + drive + "$" + folder.substr(2);
}

std::string WithFolder(const std::string& text, const std::string& folder,
                       const std::string& tail) {
  std::string out = text;
  std::string slashed = Upper(folder);
  ReplaceAll(&slashed, "\\", "/");
  ReplaceAll(&out, "{dir}", folder);
  ReplaceAll(&out, "{DIR}", Upper(folder));
  ReplaceAll(&out, "{DIR/}", slashed);
  ReplaceAll(&out, "{dir.lower}", Lower(folder));
  ReplaceAll(&out, "{unc}", ThroughShare(folder));
  ReplaceAll(&out, "{root}", ScratchRoot());
  ReplaceAll(&out, "{tail}", tail);
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
  ExpectCalls(outcome, &warning == &NotInstalled ? 1 : 0, 1);
  ASSERT_EQ(1u, outcome.boxes.size()) << "warning boxes shown";
  const WarningBox& box = outcome.boxes[0];
  EXPECT_EQ(warning.caption, box.caption);
  EXPECT_EQ(warning.text, box.text);
  EXPECT_EQ(1, box.buttons);
  EXPECT_EQ(IDOK, box.buttonId);
  EXPECT_FALSE(box.owned) << "the box has an owner window";
  EXPECT_FALSE(box.topmost) << "the box is kept above every other window";
  EXPECT_TRUE(box.icon);
  // Under Wine the icon's handle means nothing here; the traced uType
  // says which icon was asked for instead.
  if (!UnderWine()) {
    EXPECT_EQ(LoadIcon(nullptr, IDI_EXCLAMATION), box.iconHandle)
        << "not the exclamation icon";
  }
  EXPECT_TRUE(box.launcherWaiting) << "the box was not modal";
  EXPECT_EQ(0, outcome.gamesRunningAtEnd) << "a game was started";
  EXPECT_FALSE(outcome.gameReported) << "a game was started";
}

void ExpectGame(const LaunchOutcome& outcome, const std::string& commandLine,
                const std::string& directory) {
  ExpectEndedWithStatusZero(outcome);
  ExpectCalls(outcome, 1, 0);
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

  ASSERT_GE(report.currentDirectory.size(), 2u);
  const char letter = report.currentDirectory[0];
  if ((letter == '\\' || letter == '/') &&
      report.currentDirectory[1] == letter) {
    // A network directory has no drive to record it for: the game sees the
    // per-drive variables the launcher was started with, and no other.
    std::vector<std::string> expected = OwnDriveVariables();
    std::vector<std::string> seen = report.driveVariables;
    std::sort(expected.begin(), expected.end());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(expected, seen) << "per-drive variables";
    return;
  }
  // Named with the upper-case drive letter whatever the case it was given
  // in, and only that name.
  const std::string name = {'=', static_cast<char>(toupper(letter)), ':'};
  std::string value;
  EXPECT_TRUE(report.FindDriveVariable(name, &value))
      << "no per-drive variable " << name;
  EXPECT_EQ(report.currentDirectory, value) << "per-drive variable " << name;
  const std::string lowerName = {'=', static_cast<char>(tolower(letter)), ':'};
  EXPECT_FALSE(report.FindDriveVariable(lowerName, &value))
      << "a per-drive variable " << lowerName << " = " << value;
}

LaunchOutcome LayOutAndLaunch(const Layout& layout, LaunchRequest request,
                              const std::string& reachedAs) {
  std::string error;
  if (!LayOut(layout, LauncherFile(), StandInFile(), &error)) {
    LaunchOutcome outcome;
    outcome.failure = error;
    return outcome;
  }
  request.launcherFile = (reachedAs.empty() ? layout.folder : reachedAs) +
                         "\\" + layout.launcherName;
  request.reportFile = layout.folder + ".report";
  return Play(request);
}

// `folder` with a folder of code page 932's double-byte characters added, so
// that its System folder's path is `bytes` long; "" when `folder` is
// already too long for that.
std::string PaddedFolder(const std::string& folder, size_t bytes) {
  // ゲ, three bytes in UTF-8: 80 of them make a name that a Unix file system
  // under Wine takes too.
  static const char Character[] = "\x83\x51";
  constexpr size_t PerName = 80;
  const size_t fixed = folder.size() + strlen("\\") + strlen("\\System");
  if (bytes <= fixed) return "";
  const size_t length = bytes - fixed;
  std::string padding;
  size_t inName = 0;
  while (padding.size() < length) {
    const size_t left = length - padding.size();
    if (left == 1) {
      padding += 'x';
    } else if (inName == PerName) {
      padding += '\\';
      inName = 0;
    } else {
      padding += Character;
      ++inName;
    }
  }
  return folder + "\\" + padding;
}

TEST_P(Launcher, Run) {
  const LaunchCase& row = GetParam();
  if (row.codePage != 0 && GetACP() != row.codePage) {
    // Wine takes the ANSI code page from the locale, and the test runner
    // gives this program the one its cases need; Windows has one for all.
    if (UnderWine()) {
      FAIL() << "the ANSI code page is " << GetACP() << ", not "
             << row.codePage;
    }
    GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not "
                 << row.codePage << ", which this case is about";
  }
  Layout layout;
  layout.folder = ScratchRoot() + "\\" + (row.folder ? row.folder : row.name);
  if (row.systemPathBytes != 0) {
    layout.folder = PaddedFolder(layout.folder, row.systemPathBytes);
    ASSERT_NE("", layout.folder)
        << "the scratch root " << ScratchRoot() << " is too long for this case";
    const std::string system = layout.folder + "\\System";
    ASSERT_EQ(row.systemPathBytes, system.size());
    ASSERT_LT(MultiByteToWideChar(CP_ACP, 0, system.c_str(), -1, nullptr, 0),
              MAX_PATH)
        << "the System folder's path takes MAX_PATH characters or more";
  }
  layout.launcherName = row.launcherName;
  layout.system = row.system;
  layout.game = row.game;
  std::string tail;
  for (size_t i = 0; i < row.tail.count; ++i) tail += row.tail.unit;
  LaunchRequest request;
  request.commandLine = WithFolder(row.commandLine, layout.folder, tail);
  request.startIn = WithFolder(row.startIn, layout.folder, tail);
  std::string reachedAs;
  if (strstr(row.commandLine, "{unc}")) {
    reachedAs = ThroughShare(layout.folder);
    ASSERT_NE("", reachedAs) << layout.folder << " is on no lettered drive";
    const std::string share = ThroughShare(ScratchRoot());
    if (GetFileAttributesA(share.c_str()) == INVALID_FILE_ATTRIBUTES) {
      // Wine reaches \\localhost\C$ through the prefix's
      // dosdevices/unc/localhost/c$ link, which scripts/wine-run makes.
      if (UnderWine()) FAIL() << share << " cannot be reached";
      GTEST_SKIP() << share
                   << " cannot be reached: this machine does not "
                      "share its drives to its administrators";
    }
  }

  const LaunchOutcome outcome = LayOutAndLaunch(layout, request, reachedAs);
  ASSERT_EQ("", outcome.failure);
  if (row.warning) {
    ExpectWarning(outcome, *row.warning);
  } else {
    ExpectGame(outcome, WithFolder(row.gameCommandLine, layout.folder, tail),
               WithFolder(row.gameDirectory, layout.folder, tail));
    if (row.codePage != 0) {
      EXPECT_EQ(row.codePage, outcome.report.codePage);
    }
  }
  if (!HasFailure()) RemoveTree(layout.folder);
}

}  // namespace varnix_e2e

// Both test programs start here: the scratch root is made, the tests run,
// and the root goes, whatever the tests left in it.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string base;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--root=", 0) == 0 && argument.size() > 7) {
      base = argument.substr(7);
    } else {
      fprintf(stderr,
              "usage: %s [--root=FOLDER] [GoogleTest flags]\n"
              "Installations go in a folder of their own under FOLDER, by "
              "default the temporary folder.\n",
              argv[0]);
      return 2;
    }
  }
  if (base.empty()) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
      fprintf(stderr, "cannot find the temporary folder\n");
      return 1;
    }
    base.assign(temp, length);
  }
  while (!base.empty() && (base.back() == '\\' || base.back() == '/')) {
    base.pop_back();
  }
  char name[32];
  snprintf(name, sizeof name, "\\VarnixE2E-%lu",
           static_cast<unsigned long>(GetCurrentProcessId()));
  varnix_e2e::Root() = base + name;
  if (!varnix_e2e::MakeFolders(varnix_e2e::Root())) {
    fprintf(stderr, "cannot make %s\n", varnix_e2e::Root().c_str());
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  varnix_e2e::RemoveTree(varnix_e2e::Root());
  return result;
}
