#pragma once
// UTF-8 text to the wide calls of Win32 and back, its times and its error numbers.
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>

#include "fs/platform.h"

namespace os {

inline std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// A whole path in the form that takes no length limit (\\?\C:\..., \\?\UNC\...),
// which takes no "/" for a separator.
inline std::wstring Long(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.rfind("\\\\", 0) == 0) return L"\\\\?\\UNC\\" + Wide(path.substr(2));
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return L"\\\\?\\" + Wide(path);
  return Wide(path);
}

inline std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

inline constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

// A FILETIME (100 ns since 1601) as the time since 1970 that every platform uses.
inline Timestamp ToStamp(const FILETIME& ft) {
  const std::int64_t t = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  const std::int64_t since = t - kUnixEpochIn100ns;
  std::int64_t sec = since / 10000000;
  std::int64_t rest = since % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --sec;
  }
  return {sec, static_cast<std::int32_t>(rest * 100)};
}

inline int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    // The drive went away: a network share dropped, a stick pulled out.
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_CONNECTION_ABORTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NOT_READY:
    case ERROR_FILE_INVALID:
      return ENOTCONN;
    default:
      return EIO;
  }
}

}  // namespace os
