#include "player/files.h"

#include <windows.h>

namespace varnix_e2e {

// Walks the path by characters, not bytes: in code page 932 the second byte
// of a character may be a backslash.
bool MakeFolders(const std::string& path) {
  const char* begin = path.c_str();
  for (const char* p = begin; *p; p = CharNextA(p)) {
    if ((*p == '\\' || *p == '/') && p > begin && p[-1] != ':') {
      CreateDirectoryA(std::string(begin, p).c_str(), nullptr);
    }
  }
  CreateDirectoryA(begin, nullptr);
  const DWORD attributes = GetFileAttributesA(begin);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) != 0;
  }
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(
      file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool ReadBytes(const std::string& path, std::string* bytes,
               unsigned long long from) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  LARGE_INTEGER offset;
  offset.QuadPart = static_cast<LONGLONG>(from);
  bool ok = SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) != 0;
  char buffer[65536];
  DWORD got = 0;
  while (ok && ReadFile(file, buffer, sizeof buffer, &got, nullptr) &&
         got > 0) {
    bytes->append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

unsigned long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    return 0;
  }
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
         data.nFileSizeLow;
}

}  // namespace varnix_e2e
