// ANSI file helpers for the player, the stand-in game and the tests: every
// name is a byte string in the ANSI code page.
#ifndef VARNIX_PLAYER_FILES_H
#define VARNIX_PLAYER_FILES_H

#include <string>

namespace varnix_e2e {

bool MakeFolders(const std::string& path);  // parents included
bool RemoveTree(const std::string& path);   // true when nothing is left
bool WriteBytes(const std::string& path, const std::string& bytes);
// The file from byte `from` on; it may be being written meanwhile.
bool ReadBytes(const std::string& path, std::string* bytes,
               unsigned long long from = 0);
// The file's size, 0 when there is no such file.
unsigned long long FileSize(const std::string& path);

}  // namespace varnix_e2e

#endif  // VARNIX_PLAYER_FILES_H
