#include "player/files.h"

#include <windows.h>

namespace varnix_e2e {

std::wstring CodePageToWide(const std::string& bytes, unsigned codePage) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int length =
      MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  std::wstring wide(length > 0 ? length : 0, L'\0');
  if (length > 0) {
    MultiByteToWideChar(codePage, 0, bytes.data(), size, &wide[0], length);
  }
  return wide;
}

std::string WideToCodePage(const std::wstring& wide, unsigned codePage) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), size,
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(length > 0 ? length : 0, '\0');
  if (length > 0) {
    WideCharToMultiByte(codePage, 0, wide.data(), size, &bytes[0], length,
                        nullptr, nullptr);
  }
  return bytes;
}

std::wstring Utf8ToWide(const std::string& utf8) {
  return CodePageToWide(utf8, CP_UTF8);
}

std::string WideToUtf8(const std::wstring& wide) {
  return WideToCodePage(wide, CP_UTF8);
}

std::wstring WideName(const std::string& utf8) {
  std::wstring wide = Utf8ToWide(utf8);
  // CreateDirectoryW takes 12 characters fewer than MAX_PATH without it.
  const bool drivePath = wide.size() >= 3 && wide[1] == L':' &&
                         (wide[2] == L'\\' || wide[2] == L'/');
  if (drivePath && wide.size() >= MAX_PATH - 12) {
    for (wchar_t& c : wide) {
      if (c == L'/') c = L'\\';
    }
    wide.insert(0, L"\\\\?\\");
  }
  return wide;
}

// UTF-8 has no byte of a character above 0x7F that is a backslash, so the
// path can be walked by bytes.
bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at < path.size(); ++at) {
    if ((path[at] == '\\' || path[at] == '/') && path[at - 1] != ':') {
      CreateDirectoryW(WideName(path.substr(0, at)).c_str(), nullptr);
    }
  }
  const std::wstring name = WideName(path);
  CreateDirectoryW(name.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(name.c_str());
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
  const HANDLE file =
      CreateFileW(WideName(path).c_str(), GENERIC_WRITE, 0, nullptr,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
      CreateFileW(WideName(path).c_str(), GENERIC_READ,
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
  if (!GetFileAttributesExW(WideName(path).c_str(), GetFileExInfoStandard,
                            &data)) {
    return 0;
  }
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
         data.nFileSizeLow;
}

}  // namespace varnix_e2e
