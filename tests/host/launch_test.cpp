#include "launcher/launch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace varnix {
namespace {

using namespace varnix_test;

// Written out here rather than taken from the launcher, so that a slip in
// its texts shows.
const std::string kAdvice =
    "  Please check your configuration, consider reinstalling, and try again.";
const std::string kRenamed = "Varnix has been renamed." + kAdvice;
const std::string kNoSystem = "Varnix can't find System directory." + kAdvice;
const std::string kNotInstalled = "Varnix is not installed properly." + kAdvice;
const std::string kLaunchCaption = "Failed to launch Varnix";
const std::string kSystemCaption = "Could not find System directory.";

Call Enter(std::string path) { return {ChangeDirectoryOperation, path, ""}; }
Call Start(std::string commandLine) {
  return {StartProcessOperation, "RuZoriru.exe", std::move(commandLine), true};
}
const Call kRead = {ReadStartupInfoOperation, "", "", true};
const Call kRenamedWarning = {ShowWarningOperation, kRenamed, kLaunchCaption};
const Call kNoSystemWarning = {ShowWarningOperation, kNoSystem, kSystemCaption};
const Call kNotInstalledWarning = {ShowWarningOperation, kNotInstalled,
                                   kLaunchCaption};

using Calls = std::vector<Call>;
Calls Started(std::string directory, std::string commandLine) {
  return {Enter(std::move(directory)), kRead, Start(std::move(commandLine))};
}

struct SequenceCase {
  std::string name;
  std::string path;
  std::optional<std::string> tail;  // none: the system gave no command line
  Calls calls;
  unsigned failing = 0;
};

// Runs each case through the launch sequence. The program path comes
// unterminated, as the splitting rule leaves it, and every case must end
// with status 0.
void RunCases(const std::vector<SequenceCase>& cases) {
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = Unterminated(c.path);
    const auto tail = c.tail ? Terminated(*c.tail) : nullptr;
    RecordingPlatform platform(c.failing);
    EXPECT_EQ(
        RunLauncher(TextSlice{path.get(), c.path.size()}, tail.get(), platform),
        0);
    EXPECT_EQ(platform.calls(), c.calls);
  }
}

const char kGame[] = "C:\\Games\\Varnix\\Varnix.exe";
const char kGameSystem[] = "C:\\Games\\Varnix\\System";

TEST(RunLauncher, Sequence) {
  RunCases({
      {"typical start", kGame, "-log", Started(kGameSystem, "-LAUNCHED -log")},
      {"empty tail", kGame, "", Started(kGameSystem, "-LAUNCHED ")},
      {"tail handed on unchanged", kGame, "\"a b\"  c\\ \t",
       Started(kGameSystem, "-LAUNCHED \"a b\"  c\\ \t")},
      {"slashes and upper case", "C:/Games/Varnix/VARNIX.EXE", "",
       Started("C:/Games/Varnix/System", "-LAUNCHED ")},
      {"no extension", "C:\\Games\\Varnix\\Varnix", "",
       Started(kGameSystem, "-LAUNCHED ")},
      {"a leading part of the name", "C:\\Games\\Varnix\\Var", "",
       Started(kGameSystem, "-LAUNCHED ")},
      {"installed under Program Files", "C:\\Program Files\\Varnix\\Varnix.exe",
       "-a", Started("C:\\Program Files\\Varnix\\System", "-LAUNCHED -a")},
      {"a tab in the directory", "C:\\My\tGames\\Varnix.exe", "",
       Started("C:\\My\tGames\\System", "-LAUNCHED ")},
      {"path ends in a separator", "C:\\Games\\", "",
       Started("C:\\Games\\System", "-LAUNCHED ")},
      {"bare name", "Varnix.exe", "", Started("System", "-LAUNCHED ")},
      {"empty program path", "", "-a", Started("System", "-LAUNCHED -a")},
      {"renamed", "C:\\Games\\Varnix\\Game.exe", "-a", Calls{kRenamedWarning}},
      {"name runs past Varnix.exe", "C:\\Games\\Varnix\\Varnix.exe2", "",
       Calls{kRenamedWarning}},
      // Cut at its blank, this name would pass as "Varnix".
      {"a blank in the name", "C:\\Games\\Varnix copy.exe", "",
       Calls{kRenamedWarning}},
  });
}

TEST(RunLauncher, StopsAtTheFirstFailure) {
  const unsigned all = ChangeDirectoryOperation | ReadStartupInfoOperation |
                       StartProcessOperation | ShowWarningOperation;
  RunCases({
      {"nothing fails", kGame, "-a", Started(kGameSystem, "-LAUNCHED -a")},
      {"ChangeDirectory fails", kGame, "-a",
       Calls{Enter(kGameSystem), kNoSystemWarning}, ChangeDirectoryOperation},
      {"ReadStartupInfo hands out no record: passed on as it is", kGame, "-a",
       Calls{Enter(kGameSystem), Call{ReadStartupInfoOperation, "", "", false},
             Start("-LAUNCHED -a")},
       ReadStartupInfoOperation},
      {"StartProcess fails", kGame, "-a",
       Calls{Enter(kGameSystem), kRead, Start("-LAUNCHED -a"),
             kNotInstalledWarning},
       StartProcessOperation},
      {"ShowWarning alone is never reached", kGame, "-a",
       Started(kGameSystem, "-LAUNCHED -a"), ShowWarningOperation},
      {"everything fails", kGame, "-a",
       Calls{Enter(kGameSystem), kNoSystemWarning}, all},
      {"renamed, everything would fail", "C:\\Games\\Varnix\\Game.exe", "-a",
       Calls{kRenamedWarning}, all},
  });
}

// "C:\" + filler + "\" + component, `length` bytes in all.
std::string PathOfLength(size_t length, const std::string& component) {
  return "C:\\" + std::string(length - 4 - component.size(), 'a') + "\\" +
         component;
}

// A tail of varied bytes, so that a shifted or repeated copy shows.
std::string TailOfLength(size_t length) {
  std::string tail;
  for (size_t i = 0; tail.size() < length; ++i) {
    tail += std::to_string(i) + (i % 7 ? " " : " \"x y\" ");
  }
  tail.resize(length);
  return tail;
}

TEST(RunLauncher, Capacities) {
  const std::string fits779 = PathOfLength(779, "Varnix.exe");
  const std::string dir773 = std::string(772, 'd') + "\\";
  const std::string dir774 = std::string(773, 'd') + "\\";
  const std::string tail32000 = TailOfLength(32000);
  // 65,536 bytes hold "-LAUNCHED ", the tail and the terminator.
  const std::string tailLongest = TailOfLength(65525);
  const std::string tailTooLong = TailOfLength(65526);
  const Calls tooLong = {Enter(kGameSystem), kRead, kNotInstalledWarning};

  RunCases({
      {"path of 779 bytes", fits779, "",
       Started(fits779.substr(0, 769) + "System", "-LAUNCHED ")},
      {"path of 780 bytes", PathOfLength(780, "Varnix.exe"), "",
       Calls{kNoSystemWarning}},
      {"path of 779 bytes, renamed", PathOfLength(779, "Game.exe"), "",
       Calls{kRenamedWarning}},
      {"path of 780 bytes, renamed: too long comes first",
       PathOfLength(780, "Game.exe"), "", Calls{kNoSystemWarning}},
      {"path of 4000 bytes", PathOfLength(4000, "Varnix.exe"), "",
       Calls{kNoSystemWarning}},
      {"System fills the area exactly", dir773 + "Varnix", "",
       Started(dir773 + "System", "-LAUNCHED ")},
      {"no room for System", dir774 + "Varn", "", Calls{kNoSystemWarning}},
      {"no room for System, empty name", dir774, "", Calls{kNoSystemWarning}},
      {"tail of 32,000 bytes", kGame, tail32000,
       Started(kGameSystem, "-LAUNCHED " + tail32000)},
      {"longest tail", kGame, tailLongest,
       Started(kGameSystem, "-LAUNCHED " + tailLongest)},
      {"after a long tail, a short one is whole and alone", kGame, "-a",
       Started(kGameSystem, "-LAUNCHED -a")},
      {"tail too long for any command line", kGame, tailTooLong, tooLong},
      {"tail of 100,000 bytes", kGame, TailOfLength(100000), tooLong},
      {"no command line to take a tail from", kGame, std::nullopt, tooLong},
  });
}

}  // namespace
}  // namespace varnix
