#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/code_page.h"
#include "platform/drive_variable.h"

namespace varnix {
namespace {

// Each range's first and last byte, in pairs, as the system reports them.
using Ranges = std::vector<int>;

// Checks every byte value, so both edges of each range are covered.
void ExpectExactly(const LeadByteSet& set, const Ranges& ranges) {
  for (int byte = 0; byte < 256; ++byte) {
    bool expected = false;
    for (size_t i = 0; i + 1 < ranges.size(); i += 2) {
      expected = expected || (byte >= ranges[i] && byte <= ranges[i + 1]);
    }
    EXPECT_EQ(set.Contains(static_cast<unsigned char>(byte)), expected)
        << "byte 0x" << std::hex << byte;
  }
}

// Any other code page leaves the set as it was, for the system to fill.
TEST(FixedLeadBytes, OthersAreAskedOfTheSystem) {
  for (const unsigned codePage : {1252u, 65001u, 0u}) {
    LeadByteSet set = {};
    set.AddRange('A', 'A');
    EXPECT_FALSE(FixedLeadBytes(codePage, set)) << codePage;
    ExpectExactly(set, {'A', 'A'});
  }
}

TEST(ReportedLeadBytes, Table) {
  const struct {
    const char* name;
    unsigned maxCharSize;
    unsigned char ranges[12];
    Ranges expected;
  } cases[] = {
      {"single-byte code page", 1, {0x81, 0xFE}, {}},
      {"no size reported", 0, {0x81, 0xFE}, {}},
      // What the system reports for UTF-8, the launcher's code page under
      // its manifest: up to four bytes a character, yet no lead bytes.
      {"UTF-8", 4, {}, {}},
      {"one range", 2, {0x81, 0x9F}, {0x81, 0x9F}},
      {"a range of one byte",
       2,
       {0x81, 0x81, 0xE0, 0xE0},
       {0x81, 0x81, 0xE0, 0xE0}},
      {"a zero pair ends the list",
       2,
       {0x81, 0x9F, 0, 0, 0xE0, 0xFC},
       {0x81, 0x9F}},
      {"six ranges, no zero pair",
       2,
       {0x81, 0x82, 0x90, 0x91, 0xA0, 0xA1, 0xB0, 0xB1, 0xC0, 0xC1, 0xF0, 0xFF},
       {0x81, 0x82, 0x90, 0x91, 0xA0, 0xA1, 0xB0, 0xB1, 0xC0, 0xC1, 0xF0,
        0xFF}},
      {"a reversed range adds nothing", 2, {0x9F, 0x81}, {}},
      {"the terminator is never a lead byte", 2, {0x00, 0x05}, {1, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LeadByteSet set = {};
    ReportedLeadBytes(c.maxCharSize, c.ranges, set);
    ExpectExactly(set, c.expected);
  }
}

TEST(DriveVariableName, Table) {
  // A current directory, whether its drive's variable is recorded, and the
  // variable's name.
  const std::tuple<std::string, bool, std::string> cases[] = {
      {"C:\\Games\\Varnix\\System", true, "=C:"},
      {"c:\\games", true, "=C:"},
      {"a:\\", true, "=A:"},
      {"z:\\", true, "=Z:"},
      {"D:/Games", true, "=D:"},
      // Only a to z fold: the bytes beside them, and a letter outside ASCII,
      // stay as they are.
      {"`:\\", true, "=`:"},
      {"{:\\", true, "={:"},
      {"\xe0:\\", true, "=\xe0:"},
      {"\\\\server\\share", false, ""},
      {"//server/share", false, ""},
      {"\\", true, "=\\:"},
      {"\\Games", true, "=\\:"},
      {"\\/server", true, "=\\:"},
  };
  for (const auto& [currentDirectory, recorded, expected] : cases) {
    SCOPED_TRACE(currentDirectory);
    char name[4] = {'#', '#', '#', '#'};
    ASSERT_EQ(DriveVariableName(currentDirectory.c_str(), name), recorded);
    if (recorded) {
      EXPECT_EQ(std::string(name, 4), expected + '\0');
    }
  }
}

}  // namespace
}  // namespace varnix
