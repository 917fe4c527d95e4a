// File helpers for the player, the stand-in game and the tests. Every name
// is UTF-8 and goes to the system through its wide calls, so that a folder
// the ANSI code page cannot spell can be made, filled and removed.
#ifndef VARNIX_PLAYER_FILES_H
#define VARNIX_PLAYER_FILES_H

#include <string>

namespace varnix_e2e {

// `utf8` as the system's wide calls take it, "\\?\" prefixed when it is long.
std::wstring WideName(const std::string& utf8);

// Text between code pages; a character that `codePage` lacks becomes its
// default character, so compare the way back to see whether it was spelled.
std::wstring CodePageToWide(const std::string& bytes, unsigned codePage);
std::string WideToCodePage(const std::wstring& wide, unsigned codePage);
inline std::wstring Utf8ToWide(const std::string& utf8) {
  return CodePageToWide(utf8, 65001);
}
inline std::string WideToUtf8(const std::wstring& wide) {
  return WideToCodePage(wide, 65001);
}

// `utf8` in `codePage`, when that code page spells every character of it:
// a best-fit look-alike or a default character does not count.
bool Spelled(const std::string& utf8, unsigned codePage,
             std::string* bytes = nullptr);

// Past MAX_PATH too, where std::filesystem's create_directories and
// remove_all give up under MinGW.
// Parents included; `outermost`, when given, gets the outermost folder it
// made, "" for none: removing that removes all it made.
bool MakeFolders(const std::string& path, std::string* outermost = nullptr);
bool RemoveTree(const std::string& path);  // true when nothing is left
bool WriteBytes(const std::string& path, const std::string& bytes);
// The file from byte `from` on; it may be being written meanwhile.
bool ReadBytes(const std::string& path, std::string* bytes,
               unsigned long long from = 0);

}  // namespace varnix_e2e

#endif  // VARNIX_PLAYER_FILES_H
