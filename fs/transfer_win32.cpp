// The transfer calls of the Win32 platform layer.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "fs/content_digest.h"
#include "fs/platform.h"
#include "fs/temp_names.h"
#include "fs/win32_text.h"

namespace os {

namespace {

constexpr DWORD kChunk = 1u << 20;

HANDLE AsHandle(const Handle& h) { return reinterpret_cast<HANDLE>(h.get()); }

// The folder of path, with its final separator.
std::string FolderPart(const std::string& path) {
  const std::size_t last = path.rfind('\\');
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

FileFacts FactsOf(const BY_HANDLE_FILE_INFORMATION& info) {
  FileFacts f;
  f.id = {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  f.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  f.modified = ToStamp(info.ftLastWriteTime);
  f.regular = (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
  f.read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  f.hidden = (info.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  f.links = info.nNumberOfLinks;
  return f;
}

std::optional<FileFacts> FactsOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
  return FactsOf(info);
}

int WriteAll(HANDLE h, const char* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size - done, kChunk));
    DWORD written = 0;
    if (!WriteFile(h, data + done, part, &written, nullptr)) return ErrnoOf(GetLastError());
    done += written;
  }
  return 0;
}

}  // namespace

void Handle::reset(std::intptr_t value) {
  if (value_ != -1) CloseHandle(reinterpret_cast<HANDLE>(value_));
  value_ = value;
}

std::optional<FileFacts> Examine(const std::string& path) {
  const Handle h(reinterpret_cast<std::intptr_t>(CreateFileW(
      Long(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
  if (!h.valid()) return std::nullopt;
  return FactsOfHandle(AsHandle(h));
}

NewFile::~NewFile() { Abandon(); }

void NewFile::Abandon() {
  handle_.reset();
  if (!published_ && !temp_.empty()) DeleteFileW(Long(temp_).c_str());
  temp_.clear();
}

int NewFile::Create(const std::string& destination, std::optional<unsigned> mode) {
  Abandon();
  destination_ = destination;
  published_ = false;
  facts_ = {};
  const DWORD attributes = mode && (*mode & 0200) == 0 ? FILE_ATTRIBUTE_READONLY : 0;
  for (;;) {
    temp_ = FolderPart(destination) + ShortTempName(kTempPrefix);
    HANDLE h = CreateFileW(Long(temp_).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | attributes, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_.reset(reinterpret_cast<std::intptr_t>(h));
      return 0;
    }
    const DWORD error = GetLastError();
    temp_.clear();
    if (error != ERROR_FILE_EXISTS) return ErrnoOf(error);
  }
}

int NewFile::FlushBuffer() {
  if (!handle_.valid()) return EBADF;
  const int error = WriteAll(AsHandle(handle_), buffer_.data(), buffer_.size());
  buffer_.clear();
  return error;
}

// The digest of all of h, read from its start.
int DigestOf(HANDLE h, Digest& digest, const ChunkHook& between_chunks) {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(h, start, nullptr, FILE_BEGIN)) return ErrnoOf(GetLastError());
  ContentDigest content;
  std::vector<char> buffer(kChunk);
  for (DWORD got = 0;; content.Add(buffer.data(), got)) {
    if (!ReadFile(h, buffer.data(), kChunk, &got, nullptr)) return ErrnoOf(GetLastError());
    if (got == 0) break;
    if (between_chunks) between_chunks(0);
  }
  digest = content.Value();
  return 0;
}

int OpenToRead(const std::string& path, OpenedFile& file) {
  file.handle = Handle(reinterpret_cast<std::intptr_t>(
      CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  const auto facts = file.handle.valid() ? FactsOfHandle(AsHandle(file.handle)) : std::nullopt;
  if (!facts) return ErrnoOf(GetLastError());
  file.facts = *facts;
  return 0;
}

int DigestOfOpen(const OpenedFile& file, Digest& digest, const ChunkHook& between_chunks) {
  return DigestOf(AsHandle(file.handle), digest, between_chunks);
}

int DigestOfFile(const std::string& path, Digest& digest, const ChunkHook& between_chunks) {
  OpenedFile file;
  if (int error = OpenToRead(path, file)) return error;
  return DigestOfOpen(file, digest, between_chunks);
}

Error NewFile::ReadBack(const ChunkHook& between_chunks) {
  if (!digest_) return 0;
  Digest written;
  if (int error = DigestOf(AsHandle(handle_), written, between_chunks)) return error;
  return written == *digest_ ? 0 : kCopyDiffers;
}

bool OnRemovableDrive(const std::string& folder) {
  wchar_t root[MAX_PATH];
  return GetVolumePathNameW(Long(folder).c_str(), root, MAX_PATH) &&
         GetDriveTypeW(root) == DRIVE_REMOVABLE;
}

Error NewFile::CopyFrom(const std::string& source, const ChunkHook& between_chunks, bool checked) {
  const Handle source_file(reinterpret_cast<std::intptr_t>(
      CreateFileW(Long(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  if (!source_file.valid()) return ErrnoOf(GetLastError());
  const HANDLE in = AsHandle(source_file);
  if (auto facts = FactsOfHandle(in)) source_facts_ = *facts;
  std::vector<char> buffer(kChunk);
  ContentDigest content;
  digest_.reset();
  int error = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer.data(), kChunk, &got, nullptr)) {
      error = ErrnoOf(GetLastError());
      break;
    }
    if (got == 0) break;
    if (checked) content.Add(buffer.data(), got);
    if ((error = WriteAll(AsHandle(handle_), buffer.data(), got)) != 0) break;
    if (between_chunks) between_chunks(got);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (error == 0 && !GetFileInformationByHandle(in, &info)) error = ErrnoOf(GetLastError());
  if (error != 0) return error;
  if (checked) digest_ = content.Value();
  // Written to meanwhile: what was copied may be neither version.
  if (!Unchanged(source_facts_, FactsOf(info))) return kSourceChanged;
  // The copy keeps the source's times, as the system's own copy does.
  if (!SetFileTime(AsHandle(handle_), nullptr, &info.ftLastAccessTime, &info.ftLastWriteTime))
    return ErrnoOf(GetLastError());
  if (auto facts = FactsOfHandle(AsHandle(handle_))) facts_ = *facts;
  return 0;
}

int NewFile::Sync() {
  if (error_ == 0) error_ = FlushBuffer();
  if (error_ != 0) return error_;
  return FlushFileBuffers(AsHandle(handle_)) ? 0 : ErrnoOf(GetLastError());
}

int NewFile::Publish(bool replace) {
  if (error_ == 0 && !buffer_.empty()) error_ = FlushBuffer();
  if (error_ != 0) return error_;
  // Flushed and closed once: a publish that failed may be tried again.
  if (handle_.valid()) {
    if (!FlushFileBuffers(AsHandle(handle_))) return ErrnoOf(GetLastError());
    if (auto facts = FactsOfHandle(AsHandle(handle_))) facts_ = *facts;
    handle_.reset();
  }
  if (int error = Rename(temp_, destination_, replace, 0)) return error;
  // Named, the file is no longer hidden as its temporary was; it keeps the
  // source's read-only and hidden attributes, as a move does.
  const DWORD kept = (source_facts_.read_only ? FILE_ATTRIBUTE_READONLY : 0) |
                     (source_facts_.hidden ? FILE_ATTRIBUTE_HIDDEN : 0);
  SetFileAttributesW(
      Long(destination_).c_str(),
      (GetFileAttributesW(Long(destination_).c_str()) & ~FILE_ATTRIBUTE_HIDDEN) | kept);
  temp_.clear();
  published_ = true;
  return 0;
}

int Rename(const std::string& source, const std::string& destination, bool replace, std::uint64_t) {
  const std::wstring to = Long(destination);
  const DWORD old = replace ? GetFileAttributesW(to.c_str()) : INVALID_FILE_ATTRIBUTES;
  const bool read_only = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY);
  if (read_only) SetFileAttributesW(to.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExW(Long(source).c_str(), to.c_str(), flags)) return 0;
  const DWORD error = GetLastError();
  if (read_only) SetFileAttributesW(to.c_str(), old);
  return error == ERROR_NOT_SAME_DEVICE ? EXDEV : ErrnoOf(error);
}

// A rename on Windows refuses to replace on every file system: no turns.
FolderTurns::FolderTurns(const std::string& folder) : path_(folder) {}
FolderTurns::~FolderTurns() = default;

// A rename on Windows keeps a file's times on every file system.
bool KeepDates(const std::string&, const FileFacts&) { return true; }

int RemoveFile(const std::string& path) {
  const std::wstring w = Long(path);
  if (DeleteFileW(w.c_str())) return 0;
  const DWORD a = GetFileAttributesW(w.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(w.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(w.c_str())) return 0;
    SetFileAttributesW(w.c_str(), a);
  }
  return ErrnoOf(GetLastError());
}

std::size_t OpenFileBudget() { return 2048; }

// Each new file is flushed as it is named (write-through), so there is
// nothing left to flush for the whole volume or its folders.
int SyncFileSystemOf(const std::string&) { return 0; }
bool SyncReachesDisk(const std::string&) { return true; }
int SyncFolder(const std::string&) { return 0; }

bool DistinctEntries(const std::string& a, const std::string& b) {
  // One spelling of a name differs from another only in case, which Windows ignores.
  return FoldCase(a) != FoldCase(b);
}

std::optional<DriveLimits> LimitsOf(const std::string& folder) {
  DriveLimits limits;
  const std::wstring path = Long(folder);
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExW(path.c_str(), &free, nullptr, nullptr)) return std::nullopt;
  limits.free = free.QuadPart;
  limits.windows_names = true;
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return limits;
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  if (GetDiskFreeSpaceW(root, &sectors, &bytes, &free_clusters, &clusters))
    limits.cluster = std::max<std::uint64_t>(1, std::uint64_t{sectors} * bytes);
  wchar_t type[MAX_PATH + 1] = {};
  DWORD flags = 0, longest = 0;
  if (GetVolumeInformationW(root, nullptr, 0, nullptr, &longest, &flags, type, MAX_PATH)) {
    if (longest > 0) limits.longest_name = longest;
    limits.read_only = (flags & FILE_READ_ONLY_VOLUME) != 0;
    if (std::wstring(type).rfind(L"FAT", 0) == 0 && std::wstring(type) != L"FAT64")
      limits.largest_file = 0xffffffffu;  // FAT and FAT32; exFAT names itself "exFAT"
  }
  return limits;
}

// Windows ignores case on every file system it names files on.
bool IgnoresCase(const std::string&) { return true; }

bool NameFits(const DriveLimits& limits, const std::string& folder, const std::string& name) {
  const std::string base = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
  return Wide(name).size() <= limits.longest_name && !PastPathLimit(base + name);
}

bool NameFits(const std::string& folder, const std::string& name) {
  return NameFits(DriveLimits{}, folder, name);  // 255 UTF-16 units, as every Windows drive
}

bool ListsExactly(const std::string& folder, const std::string& name) {
  std::wstring base = Long(folder);
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileExW((base + Wide(name)).c_str(), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return true;  // cannot tell: taken as another file
  FindClose(find);
  return Narrow(data.cFileName) == name;
}

void RemoveStaleTemporaries(const std::string& folder) {
  std::wstring base = Long(folder);
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileExW((base + Wide(std::string(kTempPrefix)) + L"*").c_str(),
                                       FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!IsTempName(Narrow(data.cFileName), kTempPrefix)) continue;
    // Opened for deletion, shared with nobody: a file this or another
    // program still has open refuses it.
    const HANDLE h = CreateFileW((base + data.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

std::string FoldCase(std::string_view name) {
  std::wstring wide = Wide(std::string(name));
  if (wide.empty()) return {};
  std::wstring upper(wide.size(), L'\0');
  const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                              static_cast<int>(wide.size()), upper.data(),
                              static_cast<int>(upper.size()), nullptr, nullptr, 0);
  return n > 0 ? Narrow(upper.substr(0, static_cast<std::size_t>(n))) : std::string(name);
}

int MakeFolder(const std::string& path) {
  return CreateDirectoryW(Long(path).c_str(), nullptr) ? 0 : ErrnoOf(GetLastError());
}

bool InCharClass(char32_t c, const std::string& name) {
  const wctype_t type = wctype(name.c_str());
  return type != 0 && c <= 0xFFFF && iswctype(static_cast<wint_t>(c), type);
}

}  // namespace os
