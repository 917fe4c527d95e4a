#include "launcher/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "platform/code_page.h"
#include "test_support.h"

namespace varnix {
namespace {

using varnix_test::Terminated;
using varnix_test::Unterminated;

// In code page 932, 0x95 0x5C is one character whose second byte is a
// backslash, and 0x81 opens a character (here followed by bytes that no
// valid character has in second place, to show where the rules take it
// along).
const struct {
  const char* name;
  std::string raw;
  std::string module;
  unsigned codePage;  // its lead bytes as FixedLeadBytes gives them
  std::string path;
  std::string tail;
} kSplitCases[] = {
    {"bare name", "Varnix.exe", "", 1252, "Varnix.exe", ""},
    {"arguments keep inner and trailing blanks", "Varnix.exe -log  fast ", "",
     1252, "Varnix.exe", "-log  fast "},
    {"quoted path with a blank", "\"C:\\Program Files\\Varnix\\Varnix.exe\" -a",
     "", 1252, "C:\\Program Files\\Varnix\\Varnix.exe", "-a"},
    {"quote glued to the tail", "\"C:\\Games\\Varnix.exe\"-log", "", 1252,
     "C:\\Games\\Varnix.exe", "-log"},
    {"unclosed quote", "\"C:\\Games\\Varnix.exe -a", "", 1252,
     "C:\\Games\\Varnix.exe -a", ""},
    {"two quotes only", "\"\"", "", 1252, "", ""},
    {"leading blank", " Varnix.exe -a", "", 1252, "", "Varnix.exe -a"},
    {"leading tab", "\tVarnix.exe", "", 1252, "", "Varnix.exe"},
    {"tab ends both tokens", "Varnix.exe\t-a", "", 1252, "Varnix.exe", "-a"},
    {"carriage return ends only the tail's token", "Varnix.exe\r-a", "", 1252,
     "Varnix.exe\r-a", "-a"},
    {"control bytes before the tail are skipped, DEL is not",
     "Varnix.exe \x01\x0b\x1f\x7f-a", "", 1252, "Varnix.exe", "\x7f-a"},
    {"tail kept byte for byte", "Varnix.exe \"a b\" c\\ \"", "", 1252,
     "Varnix.exe", "\"a b\" c\\ \""},
    {"bytes above 0x7F end nothing", "C:\\\xe9t\xe9\xa0x\\Varnix.exe -x", "",
     1252, "C:\\\xe9t\xe9\xa0x\\Varnix.exe", "-x"},
    {"932: backslash trail byte stays in the path",
     "C:\\\x95\x5c\\Varnix.exe -a", "", 932, "C:\\\x95\x5c\\Varnix.exe", "-a"},
    {"932: lead byte takes a quote along", "\"C:\\\x81\"x\" -a", "", 932,
     "C:\\\x81\"x", "-a"},
    {"single-byte: the same quote closes", "\"C:\\\x81\"x\" -a", "", 1252,
     "C:\\\x81", "x\" -a"},
    {"932: lead byte takes a blank along in the path only", "Var\x81 -a", "",
     932, "Var\x81 -a", "-a"},
    {"932: lead byte takes a tab along in the path only", "Var\x81\t-a", "",
     932, "Var\x81\t-a", "-a"},
    {"932: lead byte before the terminator", "Var\x81", "", 932, "Var\x81", ""},
    {"932: quoted, lead byte before the terminator", "\"Var\x81", "", 932,
     "Var\x81", ""},
    {"932: quoted, lead byte takes the last quote along", "\"\x81\"", "", 932,
     "\x81\"", ""},
    {"empty raw line: the module name whole, blanks and tabs kept", "",
     "C:\\Program Files\\My\tGames\\Varnix.exe", 1252,
     "C:\\Program Files\\My\tGames\\Varnix.exe", ""},
    {"empty raw line and empty module name", "", "", 1252, "", ""},
    {"a raw line wins over the module name", "Varnix.exe",
     "C:\\Games\\Varnix.exe", 1252, "Varnix.exe", ""},
};

TEST(SplittingRules, Table) {
  for (const auto& c : kSplitCases) {
    SCOPED_TRACE(c.name);
    const auto raw = Terminated(c.raw);
    const auto module = Unterminated(c.module);
    LeadByteSet leads = {};
    FixedLeadBytes(c.codePage, leads);
    const char* const rawEnd = raw.get() + c.raw.size();

    const TextSlice path = ProgramPathFromCommandLine(
        raw.get(), TextSlice{module.get(), c.module.size()}, leads);
    EXPECT_EQ(std::string(path.begin, path.length), c.path);
    if (c.raw.empty()) {
      EXPECT_EQ(path.begin, module.get());
    } else {
      EXPECT_TRUE(path.begin >= raw.get() && path.begin + path.length <= rawEnd)
          << "the program path must lie within the raw command line";
    }

    const char* tail = ArgumentTailFromCommandLine(raw.get(), leads);
    ASSERT_TRUE(tail >= raw.get() && tail <= rawEnd)
        << "the tail must be a suffix of the raw command line";
    EXPECT_EQ(std::string(tail), c.tail);
  }
}

TEST(FinalComponent, Table) {
  // A path and its final component.
  const std::pair<std::string, std::string> cases[] = {
      {"a/b\\c/d.exe", "d.exe"},
      {"C:\\Games\\", ""},
      {"d.exe", "d.exe"},
      {"", ""},
      // Byte by byte: the second byte of a two-byte character counts too.
      {"C:\\Games\\\x95\x5cx.exe", "x.exe"},
  };
  for (const auto& [path, component] : cases) {
    SCOPED_TRACE(path);
    const auto block = Terminated(path);
    EXPECT_EQ(FinalComponent(block.get()),
              block.get() + path.size() - component.size());
  }
}

TEST(MatchesLauncherName, Table) {
  // A final component and whether it passes as the launcher's name.
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"Varnix.exe", true},
      {"varnix.exe", true},
      {"VARNIX.EXE", true},
      {"Varnix", true},
      {"VARNIX.EX", true},
      {"Varnix.e", true},
      {"v", true},
      {"Varnix.exe2", false},
      {"Varnix.exe ", false},
      {"Varnix.ese", false},
      {"Game.exe", false},
      {"Xarnix.exe", false},
      // Only A to Z fold: 0x0E is not '.' in another case, nor is the
      // Latin-1 capital I with acute an 'i'.
      {"Varnix\016exe", false},
      {"Varn\xcdx.exe", false},
  };
  for (const auto& [component, accepted] : cases) {
    SCOPED_TRACE(component);
    EXPECT_EQ(MatchesLauncherName(Terminated(component).get()), accepted);
  }
}

TEST(SystemDirectoryFor, Table) {
  const std::tuple<std::string, size_t, bool, std::string> cases[] = {
      {"C:\\Games\\Varnix\\Varnix.exe", 256, true, "C:\\Games\\Varnix\\System"},
      {"C:/Games/Varnix/VARNIX.EXE", 256, true, "C:/Games/Varnix/System"},
      {"C:\\Program Files\\Varnix\\Varnix.exe", 256, true,
       "C:\\Program Files\\Varnix\\System"},
      {"Varnix.exe", 256, true, "System"},
      {"C:\\Games\\", 256, true, "C:\\Games\\System"},
      {"C:\\abc\\", 14, true, "C:\\abc\\System"},
      {"C:\\abc\\", 13, false, ""},
      {"Var", 7, true, "System"},
      {"Var", 6, false, ""},
  };
  for (const auto& [path, capacity, fits, directory] : cases) {
    SCOPED_TRACE(path + " in " + std::to_string(capacity));
    std::string before = path + '\0';
    before.resize(capacity, '#');
    const auto area = Unterminated(before);

    ASSERT_EQ(
        SystemDirectoryFor(area.get(), FinalComponent(area.get()), capacity),
        fits);
    EXPECT_EQ(
        fits ? std::string(area.get()) : std::string(area.get(), capacity),
        fits ? directory : before);
  }
}

TEST(ChildCommandLine, Table) {
  const std::tuple<std::string, size_t, bool, std::string> cases[] = {
      {"", 32768, true, "-LAUNCHED "},
      {"-log", 32768, true, "-LAUNCHED -log"},
      {"\"a b\" c\\ \t", 32768, true, "-LAUNCHED \"a b\" c\\ \t"},
      {"12345", 16, true, "-LAUNCHED 12345"},
      {"12345", 15, false, ""},
      {"", 11, true, "-LAUNCHED "},
      {"", 10, false, ""},
      {"a tail longer than the area", 4, false, ""},
      {"", 0, false, ""},
  };
  for (const auto& [tail, capacity, fits, commandLine] : cases) {
    SCOPED_TRACE(tail + " in " + std::to_string(capacity));
    const std::string before(capacity, '#');
    const auto area = Unterminated(before);

    ASSERT_EQ(ChildCommandLine(Terminated(tail).get(), area.get(), capacity),
              fits);
    EXPECT_EQ(
        fits ? std::string(area.get()) : std::string(area.get(), capacity),
        fits ? commandLine : before);
  }
}

}  // namespace
}  // namespace varnix
