// Varnix.exe started as a player's shell or shortcut starts it, with the
// stand-in game in its System folder. Cases about one code page's own
// characters are in code_page_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "tests/windows/launch_case.h"

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
     .commandLine = "{dir}\\Varnix.exe -{high}t{high} {high}",
     .gameCommandLine = "-LAUNCHED -{high}t{high} {high}"},
    {.name = "TailGluedToClosingQuote",
     .commandLine = "\"{dir}\\Varnix.exe\"-log",
     .gameCommandLine = "-LAUNCHED -log"},
    // Letters of several scripts at once, which only a launcher in UTF-8
    // can be handed whole under most systems.
    {.name = "ArgumentsOfSeveralScripts",
     .commandLine = "{dir}\\Varnix.exe -name \"Zoë ゲ\"",
     .gameCommandLine = "-LAUNCHED -name \"Zoë ゲ\""},
    // Full-width look-alikes of the quote and the backslash stay what they
    // are: a best fit into ASCII would hand the game other arguments.
    {.name = "FullWidthQuoteAndBackslash",
     .commandLine = "{dir}\\Varnix.exe -save ＂C:＼Saves＼＂",
     .gameCommandLine = "-LAUNCHED -save ＂C:＼Saves＼＂"},
    // Windows refuses to start a program whose manifest it cannot read or
    // resolve; Wine starts it without, saying so only on this channel.
    {.name = "ManifestAccepted",
     .gameCommandLine = "-LAUNCHED ",
     .launcherCodePages = {65001},
     .systemCodePages = {1252},
     .wineChannel = "actctx"},
};
LAUNCH_TABLE(ArgumentTails, ArgumentTails);

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
LAUNCH_TABLE(AcceptedNames, AcceptedNames);

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
LAUNCH_TABLE(RenamedLaunchers, RenamedLaunchers);

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
LAUNCH_TABLE(BrokenInstallations, BrokenInstallations);

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
    // Started as Explorer starts it, with a quoted path in a UTF-16 command
    // line, from a folder that the system's code page cannot spell: a
    // launcher in that code page is handed "?" for its letters and finds no
    // System folder there.
    {.name = "FolderInJapaneseUnder1252",
     .folder = "Games\\ゲーム",
     .commandLine = "\"{dir}\\Varnix.exe\" -name \"Zoë ゲ\" -save ＂C:＼S＼＂",
     .gameCommandLine = "-LAUNCHED -name \"Zoë ゲ\" -save ＂C:＼S＼＂",
     .systemCodePages = {1252},
     .warningWhereUnspelled = &NoSystemDirectory},
    {.name = "FolderInHangulUnder932",
     .folder = "Games\\게임 🎮",
     .commandLine = "\"{dir}\\Varnix.exe\" -name 게임 🎮",
     .gameCommandLine = "-LAUNCHED -name 게임 🎮",
     .systemCodePages = {932},
     .warningWhereUnspelled = &NoSystemDirectory},
};
LAUNCH_TABLE(PathsWithBlanks, PathsWithBlanks);

// Bytes a player might type, and the same in ASCII alone, where a tail's
// length in bytes must be its length in characters too.
#define PLAYER_TYPING "-opt \"quoted words\" C:\\dir\\ \t{high} \\\"x\\\" "
#define PLAYER_TYPING_ASCII "-opt \"quoted words\" C:\\dir\\ \t \\\"x\\\" "

// The longest command line Windows hands a process is 32,767 characters
// with the terminator: 10 of them are "-LAUNCHED ", so a tail of 32,756 is
// the longest the game can be given, and the longest the launcher itself
// can get behind "Varnix " is 32,759. The path work area holds 779 bytes
// and a terminator.
const LaunchCase Capacities[] = {
    {.name = "TailOfSomeThousandBytes",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED {tail}",
     .tail = {.unit = PLAYER_TYPING, .bytes = 5000}},
    {.name = "LongestTailTheGameCanGet",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .gameCommandLine = "-LAUNCHED {tail}",
     .tail = {.unit = PLAYER_TYPING_ASCII, .bytes = 32756}},
    {.name = "TailTooLongForTheGame",
     .commandLine = "Varnix {tail}",
     .startIn = "{dir}",
     .warning = &NotInstalled,
     .tail = {.unit = PLAYER_TYPING_ASCII, .bytes = 32759}},
    // Under a scratch root in ASCII no code page makes 779 bytes fewer than
    // MAX_PATH characters, so Windows refuses the folder that the launcher
    // asks for; one byte more, the launcher refuses the path itself.
    {.name = "ProgramPathOf779Bytes",
     .commandLine = "{program} -x",
     .warning = &NoSystemDirectory,
     .programPathBytes = 779},
    {.name = "ProgramPathOf780Bytes",
     .commandLine = "{program} -x",
     .warning = &NoSystemDirectory,
     .tried = false,
     .programPathBytes = 780},
};
LAUNCH_TABLE(Capacities, Capacities);

// What the game inherits besides its command line and folder, which every
// case above checks, with the per-drive variable.
class Inheritance : public testing::Test {
 protected:
  // Starts the launcher of an installation of its own, `name`, by its
  // quoted path alone, into `outcome_`; its game must start as in any case.
  void Start(const char* name, LaunchRequest request) {
    layout_.folder = ScratchRoot() + "\\" + name;
    request.commandLine = "\"" + layout_.folder + "\\Varnix.exe\"";
    outcome_ = LayOutAndLaunch(layout_, request);
    ASSERT_EQ("", outcome_.failure);
    ExpectGame(outcome_, "-LAUNCHED ", layout_.folder + "\\System");
  }
  // Start() as from a shortcut set to run minimized: the game must be
  // asked to show its window so, and be handed no other flag.
  void StartMinimized(const char* name, LaunchRequest request) {
    request.startup.dwFlags |= STARTF_USESHOWWINDOW;
    request.startup.wShowWindow = SW_SHOWMINNOACTIVE;
    ASSERT_NO_FATAL_FAILURE(Start(name, request));
    EXPECT_EQ(static_cast<unsigned long>(STARTF_USESHOWWINDOW),
              outcome_.report.startupFlags);
    EXPECT_EQ(static_cast<unsigned>(SW_SHOWMINNOACTIVE),
              outcome_.report.showWindow);
  }
  // An inheritable pipe's write end, both ends closed after the case.
  HANDLE InheritablePipe() {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, TRUE};
    return CreatePipe(&pipe_[0], &pipe_[1], &attributes, 0) ? pipe_[1]
                                                            : nullptr;
  }
  void TearDown() override {
    for (const HANDLE end : pipe_) {
      if (end) CloseHandle(end);
    }
    if (!HasFailure()) RemoveTree(layout_.folder);
  }

  Layout layout_;
  LaunchOutcome outcome_;
  HANDLE pipe_[2] = {};
};

// With a title of its own.
TEST_F(Inheritance, StartupInformation) {
  LaunchRequest request;
  wchar_t title[] = L"Varnix (minimized)";
  request.startup.lpTitle = title;
  ASSERT_NO_FATAL_FAILURE(StartMinimized("StartupInformation", request));
  EXPECT_TRUE(outcome_.report.hasTitle);
  EXPECT_EQ(WideToUtf8(title), outcome_.report.title);
}

// What a shell puts in the handle fields when it hands down no standard
// handles: a shortcut's key in hStdInput with STARTF_USEHOTKEY
// (IShellLink::SetHotkey; STARTUPINFO), and, since Windows 8, the monitor
// of the taskbar that started the program in hStdOutput, with the flag
// 0x400 (STARTUPINFO; STARTF_HASSHELLDATA in the Windows SDK's own headers).
// The game must get both as they came, or its window opens on another
// monitor. Wine hands the fields on only with STARTF_USESTDHANDLES.
const struct {
  DWORD flags;
  HANDLE input, output;
} ShellStarts[] = {
    // Ctrl+Alt+V: the key, and HOTKEYF_CONTROL | HOTKEYF_ALT above it.
    {STARTF_USEHOTKEY, reinterpret_cast<HANDLE>(0x656), nullptr},
    {0x400, nullptr, MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY)}};

TEST_F(Inheritance, ShellFields) {
  const auto low = [](HANDLE h) {
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(h));
  };
  for (const auto& start : ShellStarts) {
    LaunchRequest request;
    request.startup.dwFlags = start.flags;
    request.startup.hStdInput = start.input;
    request.startup.hStdOutput = start.output;
    ASSERT_NO_FATAL_FAILURE(Start(start.input ? "Key" : "Monitor", request));
    EXPECT_EQ(start.flags, outcome_.report.startupFlags);
    if (!UnderWine()) {
      EXPECT_EQ(low(start.input), outcome_.report.stdInput);
      EXPECT_EQ(low(start.output), outcome_.report.stdOutput);
    }
    if (!HasFailure()) RemoveTree(layout_.folder);
  }
}

// As a script that captures the output starts it: standard handles
// redirected to an inheritable pipe, handed down, and a C runtime's block of
// its open files. The game inherits no handle of the launcher's, so it must
// be handed neither, but still the request to start minimized.
TEST_F(Inheritance, RedirectedStart) {
  LaunchRequest request;
  const HANDLE pipe = request.inheritable = InheritablePipe();
  ASSERT_NE(nullptr, pipe);
  // The files' count, a flag byte for each (open, a pipe), their handles.
  struct [[gnu::packed]] {
    int count;
    BYTE flags[3];
    HANDLE handles[3];
  } block = {3, {9, 9, 9}, {pipe, pipe, pipe}};
  STARTUPINFOW& startup = request.startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = pipe;
  startup.cbReserved2 = sizeof block;
  startup.lpReserved2 = reinterpret_cast<BYTE*>(&block);
  ASSERT_NO_FATAL_FAILURE(StartMinimized("Redirected", request));
  EXPECT_EQ(0u, outcome_.report.reservedBytes);
}

// The launcher holds an inheritable handle of its starter's; the game must
// not get it.
TEST_F(Inheritance, NoHandle) {
  LaunchRequest request;
  request.inheritable = InheritablePipe();
  ASSERT_NE(nullptr, request.inheritable);
  ASSERT_NO_FATAL_FAILURE(Start("NoHandle", request));
  EXPECT_EQ("absent", outcome_.report.handle);
}

// The stand-in started straight from this process, through the player's
// own start, with `flags` and, when given, `inheritable` handed down: what
// the system itself does, to measure the launcher's starts against.
LaunchOutcome StartStandInDirectly(DWORD flags, HANDLE inheritable) {
  LaunchRequest request;
  request.launcherFile = StandInFile();
  request.commandLine = "RuZoriru.exe";
  request.creationFlags = flags;
  request.inheritable = inheritable;
  request.holdGame = false;
  request.reportFile = ScratchRoot() + "\\Direct.report";
  return Play(request);
}

// The instrument for the case above: the stand-in, started with the same
// handle and inheritance, does see it.
TEST_F(Inheritance, StandInSeesAHandleItDoesInherit) {
  const HANDLE writeEnd = InheritablePipe();
  ASSERT_NE(nullptr, writeEnd);
  const LaunchOutcome direct = StartStandInDirectly(0, writeEnd);
  ASSERT_TRUE(direct.gameReported) << direct.failure;
  EXPECT_EQ("inherited", direct.report.handle);
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
  const LaunchOutcome direct =
      StartStandInDirectly(IDLE_PRIORITY_CLASS, nullptr);
  ASSERT_TRUE(direct.gameReported) << direct.failure;
  const bool classShows = direct.report.kernelPriorityClass == KernelIdleClass;
  if (!classShows && TraceFile().empty()) {
    GTEST_SKIP() << "this system starts a program asked to run at idle "
                    "priority at normal priority, and the launcher's calls "
                    "are not traced, so the priority it asks for cannot be "
                    "seen";
  }
  LaunchRequest request;
  request.creationFlags = IDLE_PRIORITY_CLASS;
  ASSERT_NO_FATAL_FAILURE(Start("NormalPriority", request));
  if (classShows) {
    EXPECT_EQ(KernelNormalClass, outcome_.report.kernelPriorityClass);
    EXPECT_EQ(static_cast<unsigned long>(NORMAL_PRIORITY_CLASS),
              outcome_.report.priorityClass);
  }
}

// The game blocks until it is released, which happens only once the
// launcher has ended: every starting case relies on it, this one shows it.
TEST_F(Inheritance, LauncherDoesNotWaitForTheGame) {
  Start("DoesNotWait", LaunchRequest());
}

}  // namespace
}  // namespace varnix_e2e
