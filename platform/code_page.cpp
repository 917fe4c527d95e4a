#include "platform/code_page.h"

namespace varnix {
namespace {

struct ByteRange {
  unsigned char first;
  unsigned char last;
};

struct CodePageLeadBytes {
  unsigned codePage;
  ByteRange ranges[3];
};

// The double-byte code pages whose lead bytes are known without asking: a
// zero range ends a row early.
constexpr CodePageLeadBytes FixedTable[] = {
    {932, {{0x81, 0x9F}, {0xE0, 0xFC}, {0, 0}}},
    {936, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {949, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {950, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {1361, {{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}},
};

}  // namespace

bool FixedLeadBytes(unsigned codePage, LeadByteSet& leadBytes) {
  for (const CodePageLeadBytes& row : FixedTable) {
    if (row.codePage != codePage) continue;
    for (const ByteRange& range : row.ranges) {
      if (range.first == 0) break;
      leadBytes.AddRange(range.first, range.last);
    }
    return true;
  }
  return false;
}

void ReportedLeadBytes(unsigned maxCharSize, const unsigned char (&ranges)[12],
                       LeadByteSet& leadBytes) {
  if (maxCharSize < 2) return;
  for (int i = 0; i < 12; i += 2) {
    if (ranges[i] == 0 && ranges[i + 1] == 0) break;
    if (ranges[i] <= ranges[i + 1])
      leadBytes.AddRange(ranges[i], ranges[i + 1]);
  }
}

}  // namespace varnix
