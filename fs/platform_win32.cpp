#include <malloc.h>
#include <windows.h>

#include <cerrno>

#include "fs/platform.h"
#include "fs/win32_text.h"

namespace os {
namespace {

FileStamps StampsOf(const WIN32_FIND_DATAW& d) {
  FileStamps s;
  s.modified = ToStamp(d.ftLastWriteTime);
  s.accessed = ToStamp(d.ftLastAccessTime);
  s.created = ToStamp(d.ftCreationTime);
  s.has_created = true;
  s.size = (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  return s;
}

// The attribute value a folder has as the file system object reports it:
// read-only, hidden, system, directory, archive, reparse point, compressed.
DWORD ObjectAttributes(DWORD a) { return a & (1 | 2 | 4 | 16 | 32 | 1024 | 2048); }

// Exactly directory, hidden and system (22), or the same and a reparse point
// (1046): such a folder is not searched. Other bits (archive, read-only)
// make it an ordinary folder.
bool IsHiddenSystemValue(DWORD a) {
  const DWORD value = ObjectAttributes(a);
  return value == 22 || value == 1046;
}

// A link to elsewhere (symbolic link, junction), as against a reparse point
// that stands for the file itself (a cloud placeholder, deduplicated data).
bool IsLink(const WIN32_FIND_DATAW& d) {
  return (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (d.dwReserved0 == IO_REPARSE_TAG_SYMLINK || d.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

bool IsDots(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Lists folder\* and calls fn for each entry; returns 0 or an errno value.
template <class Fn>
int ForEachEntry(const std::string& folder, Fn fn) {
  std::string pattern = folder;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileExW(Wide(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                              nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
  do {
    if (!IsDots(data.cFileName)) fn(data);
  } while (FindNextFileW(h, &data));
  const DWORD last = GetLastError();
  FindClose(h);
  return last == ERROR_NO_MORE_FILES ? 0 : ErrnoOf(last);
}

}  // namespace

void InitLocalTime() {}

bool ToLocalFields(std::int64_t sec, LocalFields& out) {
  const std::int64_t t = sec * 10000000 + kUnixEpochIn100ns;
  if (t < 0) return false;
  FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
  SYSTEMTIME utc, local;
  // The time-zone rule of the file's own date, daylight saving included.
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return false;
  out = {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
  return true;
}

bool IsFolder(const std::string& path) {
  if (path.empty() || PastPathLimit(path)) return false;
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int FolderError(const std::string& path) {
  if (path.empty()) return ENOENT;
  if (PastPathLimit(path)) return ENAMETOOLONG;
  const DWORD a = GetFileAttributesW(Wide(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return ENOENT;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ENOTDIR;
}

// Asked as the system asks it: the folder opened for adding a file.
bool CanWriteIn(const std::string& folder) {
  const HANDLE h = CreateFileW(Long(folder).c_str(), FILE_ADD_FILE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// A file the walk lists may lie past the limit (its folder within it): it
// is found, copied and moved like any other.
bool IsExistingFile(const std::string& path) {
  if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
  HANDLE h =
      CreateFileW(Long(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

void RefreshMounts() {}

bool KeepsCreationDate(const std::string&) { return true; }  // NTFS, FAT and exFAT all do

bool IsVirtualMount(const std::string& folder) {
  // A hidden-system folder stands for it on Windows; a drive root never is one.
  if (folder.size() <= 3) return false;
  const DWORD a = GetFileAttributesW(Wide(folder).c_str());
  return a != INVALID_FILE_ATTRIBUTES && IsHiddenSystemValue(a);
}

// Listed by path: follow is the POSIX layer's concern.
int ListFolder(const std::string& folder, bool, std::vector<std::string>* subfolders,
               const FileVisitor& files) {
  if (folder.empty()) return ENOENT;
  return ForEachEntry(folder, [&](const WIN32_FIND_DATAW& d) {
    const DWORD a = d.dwFileAttributes;
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
      // A folder that is a junction or a link is not expanded, as on Linux.
      if (subfolders == nullptr || (a & FILE_ATTRIBUTE_REPARSE_POINT) || IsHiddenSystemValue(a))
        return;
      subfolders->push_back(Narrow(d.cFileName));
    } else if (files && !IsLink(d)) {
      // Files on demand carry a reparse point and are listed; links are not.
      files(Narrow(d.cFileName), StampsOf(d));
    }
  });
}

void ReturnFreedMemory() { _heapmin(); }

ThreadUse ThisThreadUse() {
  // Windows keeps no count of a thread's waits: every read is taken as one
  // that may have waited on the disk.
  thread_local long reads = 0;
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return {0, ++reads};
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return {static_cast<double>(ticks(kernel) + ticks(user)) * 1e-7, ++reads};
}

}  // namespace os
