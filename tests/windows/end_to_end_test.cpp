// Varnix.exe started as a player's shell or shortcut starts it, with the
// stand-in game in its System folder. Cases that need the Japanese code page
// are in code_page_test.cpp, which runs with a Japanese locale.
#include <gtest/gtest.h>

#include <string>

#include "tests/windows/launch_table.h"

namespace varnix_e2e {
namespace {

// What follows the program path reaches the game byte for byte.
const LaunchCase ArgumentTails[] = {
    {.name = "NoArguments", .gameCommandLine = "-LAUNCHED "},
    {.name = "DoubleAndTrailingBlanks",
     .commandLine = "{dir}\\Varnix.exe -log  fast ",
     .gameCommandLine = "-LAUNCHED -log  fast "},
    {.name = "QuotesAndBackslashes",
     .commandLine =
         R"({dir}\Varnix.exe -save "C:\Saves\Slot 1\" "a\"b" \\host\share\)",
     .gameCommandLine =
         R"(-LAUNCHED -save "C:\Saves\Slot 1\" "a\"b" \\host\share\)"},
    {.name = "Tabs",
     .commandLine = "{dir}\\Varnix.exe\t-a\tb\t",
     .gameCommandLine = "-LAUNCHED -a\tb\t"},
    {.name = "BytesAbove7F",
     .commandLine = "{dir}\\Varnix.exe -\xE9t\xE9 \x80\xA0\xFF",
     .gameCommandLine = "-LAUNCHED -\xE9t\xE9 \x80\xA0\xFF"},
    {.name = "TailGluedToClosingQuote",
     .commandLine = "\"{dir}\\Varnix.exe\"-log",
     .gameCommandLine = "-LAUNCHED -log"},
};
INSTANTIATE_TEST_SUITE_P(ArgumentTails, Launcher,
                         testing::ValuesIn(ArgumentTails), CaseName);

// Ways of naming the launcher that it accepts.
const LaunchCase AcceptedNames[] = {
    {.name = "UpperCaseWithForwardSlashes",
     .commandLine = "{DIR/}/VARNIX.EXE -x",
     .gameCommandLine = "-LAUNCHED -x",
     .gameDirectory = "{DIR}\\System"},
    {.name = "BareNameInTheInstallationFolder",
     .commandLine = "Varnix -x",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED -x"},
    {.name = "PathEndingInSeparator",
     .commandLine = "{dir}\\ -x",
     .gameCommandLine = "-LAUNCHED -x"},
    {.name = "LowerCaseDriveLetter",
     .commandLine = "{dir.lower}\\varnix.exe -x",
     .gameCommandLine = "-LAUNCHED -x",
     .gameDirectory = "{dir.lower}\\System"},
    // Started from a network share, the System folder has no drive whose
    // per-drive variable could record it, and none is set.
    {.name = "NetworkShare",
     .commandLine = "{unc}\\Varnix.exe -x",
     .gameCommandLine = "-LAUNCHED -x",
     .gameDirectory = "{unc}\\System"},
};
INSTANTIATE_TEST_SUITE_P(AcceptedNames, Launcher,
                         testing::ValuesIn(AcceptedNames), CaseName);

// Names it refuses: the renamed warning, and nothing else happens.
const LaunchCase RenamedLaunchers[] = {
    {.name = "GameExe",
     .launcherName = "Game.exe",
     .commandLine = "{dir}\\Game.exe -x",
     .warning = &Renamed},
    {.name = "VarnixExe2",
     .launcherName = "Varnix.exe2",
     .commandLine = "{dir}\\Varnix.exe2 -x",
     .warning = &Renamed},
    // The module file name stands in, and its last byte counts too.
    {.name = "VarnixExe2EmptyCommandLine",
     .launcherName = "Varnix.exe2",
     .commandLine = "",
     .warning = &Renamed},
    // Unquoted, the path ends at its first blank, and "Unquoted" is no name
    // of the launcher's.
    {.name = "UnquotedPathWithBlank",
     .folder = "Unquoted Path",
     .commandLine = "{dir}\\Varnix.exe -x",
     .warning = &Renamed},
};
INSTANTIATE_TEST_SUITE_P(RenamedLaunchers, Launcher,
                         testing::ValuesIn(RenamedLaunchers), CaseName);

const LaunchCase BrokenInstallations[] = {
    {.name = "NoSystemFolder",
     .system = SystemFolder::Missing,
     .warning = &NoSystemDirectory},
    {.name = "SystemIsAFile",
     .system = SystemFolder::IsAFile,
     .warning = &NoSystemDirectory},
    {.name = "GameMissing",
     .game = GameFile::Missing,
     .warning = &NotInstalled},
    {.name = "GameNotAProgram",
     .game = GameFile::NotAProgram,
     .warning = &NotInstalled},
};
INSTANTIATE_TEST_SUITE_P(BrokenInstallations, Launcher,
                         testing::ValuesIn(BrokenInstallations), CaseName);

// An installation under a folder with blanks starts whether the path comes
// quoted or, with an empty command line, from the module file name.
const LaunchCase PathsWithBlanks[] = {
    {.name = "QuotedPath",
     .folder = "Program Files\\Varnix Game",
     .commandLine = "\"{dir}\\Varnix.exe\" -x",
     .gameCommandLine = "-LAUNCHED -x"},
    {.name = "EmptyCommandLine",
     .folder = "Program Files\\Varnix Empty",
     .commandLine = "",
     .gameCommandLine = "-LAUNCHED "},
};
INSTANTIATE_TEST_SUITE_P(PathsWithBlanks, Launcher,
                         testing::ValuesIn(PathsWithBlanks), CaseName);

// Bytes a player might type, repeated to any length.
std::string ArgumentTail(size_t length) {
  static const std::string pattern =
      "-opt \"quoted words\" C:\\dir\\ \t\xE9\xFF \\\"x\\\" ";
  std::string tail;
  while (tail.size() < length) tail += pattern;
  tail.resize(length);
  return tail;
}

// A program path of exactly `length` bytes that names the launcher in
// `folder`, padded with "." components that the system drops.
std::string PaddedProgramPath(const std::string& folder, size_t length) {
  const std::string name = "\\Varnix.exe";
  std::string path = folder;
  while (path.size() + 2 + name.size() <= length) path += "\\.";
  // A doubled separator, dropped as well, makes up an odd length.
  if (path.size() + name.size() < length) path += "\\";
  EXPECT_EQ(length, path.size() + name.size());
  return path + name;
}

struct CapacityCase {
  const char* name;
  size_t tailLength;         // started as "Varnix " and this tail
  size_t programPathLength;  // or, when not 0, by a path this long and "-x"
  const Warning* warning;    // nullptr: the game gets the whole tail
};

void PrintTo(const CapacityCase& row, std::ostream* out) { *out << row.name; }

class Capacities : public testing::TestWithParam<CapacityCase> {
 protected:
  static void SetUpTestSuite() { Launcher::SetUpTestSuite(); }
};

// The longest command line Windows hands a process is 32,766 bytes: 10 of
// them are "-LAUNCHED ", so a tail of 32,756 is the longest the game can be
// given, and the longest the launcher itself can get behind "Varnix " is
// 32,759. The path work area holds 255 bytes and a terminator.
const CapacityCase CapacityCases[] = {
    {"TailOfSomeThousandBytes", 5000, 0, nullptr},
    {"LongestTailTheGameCanGet", 32756, 0, nullptr},
    {"TailTooLongForTheGame", 32759, 0, &NotInstalled},
    {"ProgramPathOf255Bytes", 0, 255, nullptr},
    {"ProgramPathOf256Bytes", 0, 256, &NoSystemDirectory},
};

TEST_P(Capacities, Run) {
  const CapacityCase& row = GetParam();
  Layout layout;
  layout.folder = ScratchRoot() + "\\" + row.name;
  LaunchRequest request;
  std::string expected = "-LAUNCHED ";
  if (row.programPathLength != 0) {
    request.commandLine =
        PaddedProgramPath(layout.folder, row.programPathLength) + " -x";
    expected += "-x";
  } else {
    const std::string tail = ArgumentTail(row.tailLength);
    request.commandLine = "Varnix " + tail;
    request.startIn = layout.folder;
    expected += tail;
  }
  const LaunchOutcome outcome = LayOutAndLaunch(layout, request);
  ASSERT_EQ("", outcome.failure);
  if (row.warning) {
    ExpectWarning(outcome, *row.warning);
  } else {
    ExpectGame(outcome, expected, layout.folder + "\\System");
  }
  if (!HasFailure()) RemoveTree(layout.folder);
}
INSTANTIATE_TEST_SUITE_P(Capacities, Capacities,
                         testing::ValuesIn(CapacityCases),
                         [](const testing::TestParamInfo<CapacityCase>& info) {
                           return std::string(info.param.name);
                         });

// What the game inherits besides its command line and folder, which every
// case above checks, with the per-drive variable.
class Inheritance : public testing::Test {
 protected:
  static void SetUpTestSuite() { Launcher::SetUpTestSuite(); }

  LaunchOutcome Start(const char* name, LaunchRequest request) {
    layout_.folder = ScratchRoot() + "\\" + name;
    request.commandLine = "\"" + layout_.folder + "\\Varnix.exe\"";
    return LayOutAndLaunch(layout_, request);
  }
  void TearDown() override {
    if (!HasFailure()) RemoveTree(layout_.folder);
  }

  Layout layout_;
};

// As from a shortcut set to run minimized, with a title of its own.
TEST_F(Inheritance, StartupInformation) {
  LaunchRequest request;
  request.startup.dwFlags = STARTF_USESHOWWINDOW;
  request.startup.wShowWindow = SW_SHOWMINNOACTIVE;
  char title[] = "Varnix (minimized)";
  request.startup.lpTitle = title;
  const LaunchOutcome outcome = Start("StartupInformation", request);
  ASSERT_EQ("", outcome.failure);
  ExpectGame(outcome, "-LAUNCHED ", layout_.folder + "\\System");
  EXPECT_EQ(static_cast<unsigned long>(STARTF_USESHOWWINDOW),
            outcome.report.startupFlags);
  EXPECT_EQ(static_cast<unsigned>(SW_SHOWMINNOACTIVE),
            outcome.report.showWindow);
  EXPECT_TRUE(outcome.report.hasTitle);
  EXPECT_EQ(title, outcome.report.title);
}

HANDLE InheritablePipe(HANDLE* readEnd) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(readEnd, &writeEnd, &attributes, 0)) return nullptr;
  return writeEnd;
}

// The launcher holds an inheritable handle of its starter's; the game must
// not get it.
TEST_F(Inheritance, NoHandle) {
  HANDLE readEnd = nullptr;
  LaunchRequest request;
  request.inheritable = InheritablePipe(&readEnd);
  ASSERT_NE(nullptr, request.inheritable);
  const LaunchOutcome outcome = Start("NoHandle", request);
  CloseHandle(request.inheritable);
  CloseHandle(readEnd);
  ASSERT_EQ("", outcome.failure);
  ExpectGame(outcome, "-LAUNCHED ", layout_.folder + "\\System");
  EXPECT_EQ("absent", outcome.report.handle);
}

// Starts the stand-in straight from this process with `flags` and, when
// given, `inheritable` handed down: what the system itself does, to measure
// the launcher's starts against.
bool StartStandInDirectly(DWORD flags, HANDLE inheritable, GameReport* report) {
  const std::string reportFile = ScratchRoot() + "\\Direct.report";
  DeleteFileA(reportFile.c_str());
  char value[20];
  snprintf(
      value, sizeof value, "%lx",
      static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(inheritable)));
  SetEnvironmentVariableA(ReportFileVariable, reportFile.c_str());
  SetEnvironmentVariableA(HandleVariable, inheritable ? value : nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  char commandLine[] = "RuZoriru.exe";
  const BOOL started = CreateProcessA(
      StandInFile().c_str(), commandLine, nullptr, nullptr,
      inheritable != nullptr, flags, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA(ReportFileVariable, nullptr);
  SetEnvironmentVariableA(HandleVariable, nullptr);
  if (!started) return false;
  const bool ended =
      WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string text;
  const bool read =
      ended && ReadBytes(reportFile, &text) && ParseReport(text, report);
  DeleteFileA(reportFile.c_str());
  return read;
}

// The instrument for the case above: the stand-in, started with the same
// handle and inheritance, does see it.
TEST_F(Inheritance, StandInSeesAHandleItDoesInherit) {
  HANDLE readEnd = nullptr;
  const HANDLE writeEnd = InheritablePipe(&readEnd);
  ASSERT_NE(nullptr, writeEnd);
  GameReport report;
  const bool reported = StartStandInDirectly(0, writeEnd, &report);
  CloseHandle(writeEnd);
  CloseHandle(readEnd);
  ASSERT_TRUE(reported);
  EXPECT_EQ("inherited", report.handle);
}

// The classes as the kernel keeps them. Wine's GetPriorityClass answers
// NORMAL_PRIORITY_CLASS whatever the class, so that is what is compared.
constexpr unsigned KernelIdleClass = 1;
constexpr unsigned KernelNormalClass = 2;

// Started at idle priority, the launcher still starts the game at normal
// priority: an idle starter's programs would otherwise be idle too. Wine
// starts every process at normal priority, whatever it is asked; there the
// class the launcher asks for is seen in its traced call instead.
TEST_F(Inheritance, NormalPriority) {
  GameReport direct;
  ASSERT_TRUE(StartStandInDirectly(IDLE_PRIORITY_CLASS, nullptr, &direct));
  const bool classShows = direct.kernelPriorityClass == KernelIdleClass;
  if (!classShows && TraceFile().empty()) {
    GTEST_SKIP() << "this system starts a program asked to run at idle "
                    "priority at normal priority, and the launcher's calls "
                    "are not traced, so the priority it asks for cannot be "
                    "seen";
  }
  LaunchRequest request;
  request.creationFlags = IDLE_PRIORITY_CLASS;
  const LaunchOutcome outcome = Start("NormalPriority", request);
  ASSERT_EQ("", outcome.failure);
  ExpectGame(outcome, "-LAUNCHED ", layout_.folder + "\\System");
  if (classShows) {
    EXPECT_EQ(KernelNormalClass, outcome.report.kernelPriorityClass);
    EXPECT_EQ(static_cast<unsigned long>(NORMAL_PRIORITY_CLASS),
              outcome.report.priorityClass);
  }
}

// The game blocks until it is released, which happens only once the
// launcher has ended: every starting case relies on it, this one shows it.
TEST_F(Inheritance, LauncherDoesNotWaitForTheGame) {
  const LaunchOutcome outcome = Start("DoesNotWait", LaunchRequest());
  ASSERT_EQ("", outcome.failure);
  EXPECT_TRUE(outcome.ended);
  EXPECT_EQ(1, outcome.gamesRunningAtEnd);
  ASSERT_TRUE(outcome.gameReported);
  EXPECT_EQ("released", outcome.report.hold);
}

}  // namespace
}  // namespace varnix_e2e
