// The text rules by which the launcher reads its command line and builds the
// strings it hands to the system. All are pure functions over byte strings in
// the system's ANSI code page; none allocates, none reads past a terminator or
// past the length it is given.
#ifndef VARNIX_LAUNCHER_COMMAND_LINE_H
#define VARNIX_LAUNCHER_COMMAND_LINE_H

#include <stddef.h>
#include <stdint.h>

namespace varnix {

// A run of bytes inside some other text, not terminated.
struct TextSlice {
  const char* begin;
  size_t length;
};

// The bytes that open a two-byte character in the ANSI code page. All-zero
// (no lead bytes) is the single-byte case, so a zero-initialised set is valid.
struct LeadByteSet {
  uint32_t bits[8];

  bool Contains(unsigned char byte) const {
    return (bits[byte >> 5] >> (byte & 31)) & 1u;
  }
  // Adds first..last inclusive; the terminator byte 0 is never added.
  void AddRange(unsigned char first, unsigned char last);
};

// The path by which the launcher was started: the first token of the raw
// command line, without its quotes, or the whole module file name when the
// raw command line is empty. The result points into one of the two inputs.
TextSlice ProgramPathFromCommandLine(const char* rawCommandLine,
                                     TextSlice moduleFileName,
                                     const LeadByteSet& leadBytes);

// The player's arguments: the suffix of the raw command line after its first
// token and the blanks and control bytes that follow it.
const char* ArgumentTailFromCommandLine(const char* rawCommandLine,
                                        const LeadByteSet& leadBytes);

// Where the last component of the terminated `path` starts: just after its
// last slash or backslash, or at `path` itself when it holds neither.
const char* FinalComponent(const char* path);

// True when the terminated `component` equals, ignoring the case of A to Z,
// the same number of leading bytes of LauncherFileName.
bool MatchesLauncherName(const char* component);

// Ends the terminated `path` (held in an area of `capacity` bytes) where its
// final component begins and appends SystemDirectoryName. Returns false, and
// leaves the area as it was, when the result would not fit.
bool SystemDirectoryFor(char* path, const char* finalComponent,
                        size_t capacity);

// Writes LaunchedSwitch followed by the terminated `argumentTail` into an area
// of `capacity` bytes. Returns false, writing nothing, when the whole command
// line and its terminator do not fit: a tail is never cut.
bool ChildCommandLine(const char* argumentTail, char* commandLine,
                      size_t capacity);

}  // namespace varnix

#endif  // VARNIX_LAUNCHER_COMMAND_LINE_H
