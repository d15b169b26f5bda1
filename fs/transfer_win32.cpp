// The transfer calls of the Win32 platform layer.
#include <windows.h>

#include <atomic>

#include "fs/platform.h"
#include "fs/win32_text.h"

namespace os {

int (*copy_chunk_hook)() = nullptr;

namespace {

std::atomic<unsigned long> temp_counter{0};

std::string TempBeside(const std::string& path) {
  const std::size_t last = path.rfind('\\');
  const std::string folder = last == std::string::npos ? std::string() : path.substr(0, last + 1);
  const std::string name = last == std::string::npos ? path : path.substr(last + 1);
  return folder + "~" + name + ".lark-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(temp_counter++);
}

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE h =
      CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  return ok;
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return FileIdentity(a, x) && FileIdentity(b, y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

int CopyFileAtomic(const std::string& source, const std::string& destination, bool keep_read_only) {
  if (IsSameFile(source, destination)) return 0;
  const DWORD old = GetFileAttributesW(Wide(destination).c_str());
  if (old != INVALID_FILE_ATTRIBUTES && keep_read_only && (old & FILE_ATTRIBUTE_READONLY))
    return EACCES;
  // The system copy keeps the last-write time; the temporary name keeps the old file whole.
  const std::string temp = TempBeside(destination);
  if (!CopyFileW(Wide(source).c_str(), Wide(temp).c_str(), TRUE)) return ErrnoOf(GetLastError());
  if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(Wide(destination).c_str(), old & ~FILE_ATTRIBUTE_READONLY);
  if (!MoveFileExW(Wide(temp).c_str(), Wide(destination).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const int error = ErrnoOf(GetLastError());
    DeleteFileW(Wide(temp).c_str());
    return error;
  }
  return 0;
}

int RenameOrMove(const std::string& source, const std::string& destination) {
  const DWORD old = GetFileAttributesW(Wide(destination).c_str());
  if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(Wide(destination).c_str(), old & ~FILE_ATTRIBUTE_READONLY);
  if (MoveFileExW(Wide(source).c_str(), Wide(destination).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
    return 0;
  return ErrnoOf(GetLastError());
}

int RemoveFile(const std::string& path) {
  const std::wstring w = Wide(path);
  if (DeleteFileW(w.c_str())) return 0;
  const DWORD a = GetFileAttributesW(w.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(w.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(w.c_str())) return 0;
  }
  return ErrnoOf(GetLastError());
}

AtomicWriter::~AtomicWriter() {
  if (fd_ >= 0) {
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd_)));
    DeleteFileW(Wide(temp_).c_str());
  }
}

int AtomicWriter::Open(const std::string& path) {
  path_ = path;
  temp_ = TempBeside(path);
  HANDLE h = CreateFileW(Wide(temp_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ErrnoOf(GetLastError());
  fd_ = static_cast<int>(reinterpret_cast<intptr_t>(h));
  return 0;
}

void AtomicWriter::Append(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() >= (1u << 20) && error_ == 0) error_ = Flush();
}

int AtomicWriter::Flush() {
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd_));
  DWORD written = 0;
  if (!buffer_.empty() &&
      !WriteFile(h, buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr))
    return ErrnoOf(GetLastError());
  buffer_.clear();
  return 0;
}

int AtomicWriter::Commit() {
  int error = error_ != 0 ? error_ : Flush();
  CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd_)));
  fd_ = -1;
  if (error == 0 &&
      !MoveFileExW(Wide(temp_).c_str(), Wide(path_).c_str(), MOVEFILE_REPLACE_EXISTING))
    error = ErrnoOf(GetLastError());
  if (error != 0) DeleteFileW(Wide(temp_).c_str());
  return error;
}

}  // namespace os
