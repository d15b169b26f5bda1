#pragma once
// The operating-system calls of fs/, one implementation file per system.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace os {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
inline constexpr std::size_t kPathLimit = 260;
#else
inline constexpr char kSeparator = '/';
inline constexpr std::size_t kPathLimit = 4096;
#endif

struct Timestamp {
  std::int64_t sec = 0;
  std::int32_t nsec = 0;
};

struct FileStamps {
  Timestamp modified;
  Timestamp accessed;
  Timestamp created;
  bool has_created = false;
};

// Makes local-time conversion cheap and correct for every file's own date.
void InitLocalTime();

// Local calendar fields of a universal time; false when out of range.
struct LocalFields {
  int year, month, day, hour, minute, second;
};
bool ToLocalFields(std::int64_t sec, LocalFields& out);

bool IsFolder(const std::string& path);
// A regular file, not reached through a symbolic link.
bool IsExistingFile(const std::string& path);
// Reads the table of mounted virtual file systems (proc, sysfs and the
// like) afresh; IsVirtualMount and ListSubFolders go by it.
void RefreshMounts();
bool IsVirtualMount(const std::string& folder);
std::optional<FileStamps> StatFile(const std::string& path);
bool MatchesPattern(std::string_view name, const std::string& pattern);

// Names of the real sub-folders (no links, no virtual mounts) in listing
// order; returns 0 or the error number of a failed listing.
int ListSubFolders(const std::string& folder, std::vector<std::string>& names);
// Calls fn for every regular file directly in folder, in listing order.
using FileVisitor = std::function<void(std::string_view name, const FileStamps& stamps)>;
int ListFiles(const std::string& folder, const FileVisitor& fn);

// Transfers. Each returns 0 or an error number.
// Same device and inode (Windows: same path regardless of case).
bool IsSameFile(const std::string& a, const std::string& b);
// Writes a temporary file beside destination and renames it over it, so the
// old destination stays whole until the copy is complete. Keeps the source's
// modification and access times and permission bits. A destination that is
// the source itself is left alone; with keep_read_only, so is one without the
// owner's write permission (EACCES).
int CopyFileAtomic(const std::string& source, const std::string& destination, bool keep_read_only);
// A rename, replacing destination; across file systems an atomic copy, then
// the source is removed.
int RenameOrMove(const std::string& source, const std::string& destination);
int RemoveFile(const std::string& path);
// A new file written beside its final path and renamed over it on Commit;
// abandoned (and removed) when destroyed uncommitted.
class AtomicWriter {
 public:
  AtomicWriter() = default;
  AtomicWriter(const AtomicWriter&) = delete;
  AtomicWriter& operator=(const AtomicWriter&) = delete;
  ~AtomicWriter();
  int Open(const std::string& path);
  void Append(std::string_view text);
  int Commit();

 private:
  int Flush();
  std::string path_, temp_;
  std::string buffer_;
  int fd_ = -1;
  int error_ = 0;
};

// Test hook: called after each chunk of a copy; a non-zero result aborts it.
extern int (*copy_chunk_hook)();

}  // namespace os
