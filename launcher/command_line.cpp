#include "launcher/command_line.h"

#include "launcher/fixed_values.h"

namespace varnix {
namespace {

constexpr unsigned char Blank = 0x20;
constexpr unsigned char Tab = 0x09;
constexpr unsigned char Quote = 0x22;

unsigned char ByteAt(const char* p) { return static_cast<unsigned char>(*p); }

// Steps over one character: two bytes for a lead byte, but never over the
// terminator, so a lead byte that ends the text ends the scan there.
const char* NextCharacter(const char* p, const LeadByteSet& leadBytes) {
  if (leadBytes.Contains(ByteAt(p)) && p[1] != '\0') return p + 2;
  return p + 1;
}

// Steps from just after an opening quote to the closing quote or the
// terminator. The trail byte of a two-byte character is never taken for a
// quote: in code page 932 it may well be 0x22's neighbours or a backslash.
const char* SkipQuoted(const char* p, const LeadByteSet& leadBytes) {
  while (*p != '\0' && ByteAt(p) != Quote) p = NextCharacter(p, leadBytes);
  return p;
}

unsigned char FoldAsciiCase(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 32)
                                      : byte;
}

size_t Length(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

}  // namespace

void LeadByteSet::AddRange(unsigned char first, unsigned char last) {
  for (unsigned byte = first; byte <= last; ++byte) {
    if (byte != 0) bits[byte >> 5] |= 1u << (byte & 31);
  }
}

// An unquoted program path ends only at a blank, a tab or the terminator, and
// it honours lead bytes: it is a file name, and a two-byte character's trail
// byte must not end it. The module file name is a file name, not a command
// line, so when it stands in nothing cuts it.
TextSlice ProgramPathFromCommandLine(const char* rawCommandLine,
                                     TextSlice moduleFileName,
                                     const LeadByteSet& leadBytes) {
  if (*rawCommandLine == '\0') return moduleFileName;
  const char* p = rawCommandLine;
  if (ByteAt(p) == Quote) {
    const char* begin = p + 1;
    const char* end = SkipQuoted(begin, leadBytes);
    return TextSlice{begin, static_cast<size_t>(end - begin)};
  }
  while (*p != '\0' && ByteAt(p) != Blank && ByteAt(p) != Tab) {
    p = NextCharacter(p, leadBytes);
  }
  return TextSlice{rawCommandLine, static_cast<size_t>(p - rawCommandLine)};
}

// Unlike the program path, an unquoted first token ends here at any byte of
// 0x20 or below, and lead bytes need no care: a trail byte is never 0x20 or
// below, so it can neither end the token nor be taken for a separator. Any
// control byte thus separates the program name from the player's arguments,
// while the program path, being a file name, is cut only at a blank or a tab.
// What follows the cut is handed on byte for byte.
const char* ArgumentTailFromCommandLine(const char* rawCommandLine,
                                        const LeadByteSet& leadBytes) {
  const char* p = rawCommandLine;
  if (ByteAt(p) == Quote) {
    p = SkipQuoted(p + 1, leadBytes);
    if (ByteAt(p) == Quote) ++p;
  } else {
    while (ByteAt(p) > Blank) ++p;
  }
  while (*p != '\0' && ByteAt(p) <= Blank) ++p;
  return p;
}

// Byte by byte on purpose: the launcher's own name is plain ASCII, and the
// directory part is handed back to the system unchanged.
const char* FinalComponent(const char* path) {
  const char* component = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/') component = p + 1;
  }
  return component;
}

// A prefix match, so that a bare "Varnix" typed at a prompt (no extension)
// is the launcher too; only ASCII letters are folded, so the locale plays no
// part.
bool MatchesLauncherName(const char* component) {
  for (size_t i = 0; component[i] != '\0'; ++i) {
    if (i >= LauncherFileNameLength) return false;
    if (FoldAsciiCase(ByteAt(component + i)) !=
        FoldAsciiCase(static_cast<unsigned char>(LauncherFileName[i]))) {
      return false;
    }
  }
  return true;
}

bool SystemDirectoryFor(char* path, const char* finalComponent,
                        size_t capacity) {
  const size_t directoryLength = static_cast<size_t>(finalComponent - path);
  if (directoryLength + SystemDirectoryNameLength + 1 > capacity) return false;
  char* out = path + directoryLength;
  for (size_t i = 0; i <= SystemDirectoryNameLength; ++i) {
    out[i] = SystemDirectoryName[i];
  }
  return true;
}

bool ChildCommandLine(const char* argumentTail, char* commandLine,
                      size_t capacity) {
  const size_t tailLength = Length(argumentTail);
  if (tailLength > capacity ||
      LaunchedSwitchLength + 1 > capacity - tailLength) {
    return false;
  }
  for (size_t i = 0; i < LaunchedSwitchLength; ++i) {
    commandLine[i] = LaunchedSwitch[i];
  }
  for (size_t i = 0; i <= tailLength; ++i) {
    commandLine[LaunchedSwitchLength + i] = argumentTail[i];
  }
  return true;
}

}  // namespace varnix
