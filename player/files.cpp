#include "player/files.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace varnix_e2e {

// No character takes fewer bytes than UTF-16 units, nor more than three
// bytes a unit (in UTF-8; a surrogate pair's four bytes are two units).
std::wstring CodePageToWide(const std::string& bytes, unsigned codePage) {
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(std::max(
      0, MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()),
                             wide.data(), int(wide.size()))));
  return wide;
}

std::string WideToCodePage(const std::wstring& wide, unsigned codePage) {
  std::string bytes(3 * wide.size(), '\0');
  bytes.resize(std::max(
      0,
      WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()),
                          bytes.data(), int(bytes.size()), nullptr, nullptr)));
  return bytes;
}

bool Spelled(const std::string& utf8, unsigned codePage, std::string* bytes) {
  const std::wstring wide = Utf8ToWide(utf8);
  if (wide.empty() != utf8.empty()) return false;
  const std::string spelled = WideToCodePage(wide, codePage);
  if (bytes) *bytes = spelled;
  return CodePageToWide(spelled, codePage) == wide;
}

std::wstring WideName(const std::string& utf8) {
  std::wstring wide = Utf8ToWide(utf8);
  // Those calls refuse a drive path of MAX_PATH or more without the prefix,
  // and the tests make folders longer than a launcher can enter.
  // CreateDirectoryW takes 12 characters fewer than MAX_PATH without it.
  const bool drivePath = wide.size() >= 3 && wide[1] == L':' &&
                         (wide[2] == L'\\' || wide[2] == L'/');
  if (drivePath && wide.size() >= MAX_PATH - 12) {
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    wide.insert(0, L"\\\\?\\");
  }
  return wide;
}

// UTF-8 has no byte of a character above 0x7F that is a backslash, so the
// path can be walked by bytes.
bool MakeFolders(const std::string& path, std::string* outermost) {
  std::string made;
  for (size_t at = 1; at <= path.size(); ++at) {
    if ((at == path.size() || path[at] == '\\' || path[at] == '/') &&
        path[at - 1] != ':' &&
        CreateDirectoryW(WideName(path.substr(0, at)).c_str(), nullptr) &&
        made.empty()) {
      made = path.substr(0, at);
    }
  }
  if (outermost) *outermost = made;
  const DWORD attributes = GetFileAttributesW(WideName(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveTree(const std::string& path) {
  const std::wstring name = WideName(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(name.c_str()) != 0;
  }
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((name + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring child = entry.cFileName;
      if (child == L"." || child == L"..") continue;
      RemoveTree(path + "\\" + WideToUtf8(child));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  return RemoveDirectoryW(name.c_str()) != 0;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(std::filesystem::path(WideName(path)), std::ios::binary);
  return file.write(bytes.data(), bytes.size()) && file.flush();
}

bool ReadBytes(const std::string& path, std::string* bytes,
               unsigned long long from) {
  std::ifstream file(std::filesystem::path(WideName(path)), std::ios::binary);
  if (!file.seekg(from)) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), {});
  return true;
}

}  // namespace varnix_e2e
