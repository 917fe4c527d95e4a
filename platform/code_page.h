// The lead bytes of the system's ANSI code page. Windows-free, so that the
// host tests reach it too; the entry asks the system.
#ifndef VARNIX_PLATFORM_CODE_PAGE_H
#define VARNIX_PLATFORM_CODE_PAGE_H

#include "launcher/command_line.h"

namespace varnix {

// Fills `leadBytes` for the five double-byte code pages with a fixed table
// (932, 936, 949, 950, 1361) and returns true; returns false, leaving it
// untouched, for any other code page, which must then be asked of the system.
bool FixedLeadBytes(unsigned codePage, LeadByteSet& leadBytes);

// Adds the lead bytes the system reports for a code page: `ranges` holds up
// to six first/last pairs, ended early by a zero pair (CPINFO::LeadByte).
// Nothing is added when `maxCharSize` is below 2.
void ReportedLeadBytes(unsigned maxCharSize, const unsigned char (&ranges)[12],
                       LeadByteSet& leadBytes);

}  // namespace varnix

#endif  // VARNIX_PLATFORM_CODE_PAGE_H
