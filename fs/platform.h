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

// A path at or past the platform's limit, counted as the system counts it:
// bytes on Linux, UTF-16 code units on Windows (a character beyond the
// Basic Multilingual Plane takes two).
inline bool PastPathLimit(std::string_view path) {
#ifdef _WIN32
  std::size_t units = 0;
  for (unsigned char c : path) {
    if ((c & 0xC0) != 0x80) ++units;
    if (c >= 0xF0) ++units;
  }
  return units >= kPathLimit;
#else
  return path.size() >= kPathLimit;
#endif
}

struct Timestamp {
  std::int64_t sec = 0;
  std::int32_t nsec = 0;
};

struct FileStamps {
  Timestamp modified;
  Timestamp accessed;
  Timestamp created;
  bool has_created = false;
  std::uint64_t size = 0;  // bytes
};

// Makes local-time conversion cheap and correct for every file's own date.
void InitLocalTime();

// Local calendar fields of a universal time; false when out of range.
struct LocalFields {
  int year, month, day, hour, minute, second;
};
bool ToLocalFields(std::int64_t sec, LocalFields& out);

bool IsFolder(const std::string& path);
// Why path is no folder: 0 when it is one, else an error number (ENOTDIR
// for something else, ENOTCONN for a drive that went away).
int FolderError(const std::string& path);
// Whether this process may make files in folder (a read-only mount or
// folder refuses it; a name the file system cannot store does not).
bool CanWriteIn(const std::string& folder);
// A regular file, not reached through a symbolic link.
bool IsExistingFile(const std::string& path);
// Reads the table of mounted virtual file systems (proc, sysfs and the
// like) afresh; IsVirtualMount and ListFolder go by it.
void RefreshMounts();
bool IsVirtualMount(const std::string& folder);
#ifndef _WIN32
// The type the kernel's mount table gives folder's file system ("ext4",
// "fuseblk"); empty when not known.
std::string FileSystemType(const std::string& folder);
#endif

// Whether folder's file system keeps the date a file was created.
bool KeepsCreationDate(const std::string& folder);
// Whether folder's drive holds a file's modified date of sec (seconds since
// 1970): FAT and exFAT hold the years 1980 to 2107 only, whatever a FUSE
// server answers until the drive is mounted again.
bool HoldsDate(const std::string& folder, std::int64_t sec);

// Whether the character c is of the class named as a glob's [:name:] names
// it ("upper", "digit"...), by Unicode's tables; false for a name of none.
bool InCharClass(char32_t c, const std::string& name);

// Reads folder once, in listing order: the names of its real sub-folders
// (no links, no virtual mounts) into subfolders unless that is null, and
// every regular file to files unless that is empty. A folder that is itself
// a link is listed only when follow is set (a folder the user listed), so a
// folder swapped for a link after its parent was read is not entered.
// Returns 0 or the error number of a failed listing (ENOENT for no path).
using FileVisitor = std::function<void(std::string_view name, const FileStamps& stamps)>;
int ListFolder(const std::string& folder, bool follow, std::vector<std::string>* subfolders,
               const FileVisitor& files);
// Hands memory freed inside the heap back to the system.
void ReturnFreedMemory();
// What the calling thread has used: processor seconds, and how often it gave
// way to wait (on the disk, say) rather than being made to wait its turn for a
// processor. A read that took much longer than its processor time, having
// given way, waited on the disk; one that did not give way was only queued.
struct ThreadUse {
  double cpu_seconds = 0;
  long waits = 0;
};
ThreadUse ThisThreadUse();

// Transfers. Each returns 0 or an error number.

// What identifies a file on its file system (device and inode; Windows:
// volume serial and file index).
struct FileId {
  std::uint64_t volume = 0, index = 0;
  bool operator==(const FileId&) const = default;
  bool operator<(const FileId& o) const {
    return volume != o.volume ? volume < o.volume : index < o.index;
  }
};
struct FileFacts {
  FileId id;
  std::uint64_t size = 0;
  Timestamp modified;
  Timestamp accessed;
  Timestamp changed;   // the inode's change time (Linux only)
  unsigned mode = 0;   // permission bits
  unsigned links = 1;  // names the file has (hard links)
  bool regular = false;
  // Without the owner's write permission (Windows: the read-only attribute).
  bool read_only = false;
  bool hidden = false;  // Windows: the hidden attribute
};
// The object at path itself, a final symbolic link not followed; nothing
// when there is none.
std::optional<FileFacts> Examine(const std::string& path);
// The same file, unchanged in content since then: identity, size and times.
inline bool Unchanged(const FileFacts& then, const FileFacts& now) {
  return then.id == now.id && then.size == now.size && then.modified.sec == now.modified.sec &&
         then.modified.nsec == now.modified.nsec && then.changed.sec == now.changed.sec &&
         then.changed.nsec == now.changed.nsec;
}
// What a file operation met: nothing, the system's error number (Windows
// codes mapped to the same numbers), or a finding of the program's own about
// a file's content, which is no number of the system's.
class Error {
 public:
  enum class Finding {
    kNone,
    kSourceChanged,  // the source changed while it was read
    kCopyDiffers,    // the copy does not read back as it was written
    kNotAFile,       // the source is no longer a regular file (a FIFO, a folder or a link)
  };
  Error(int code = 0) : code_(code) {}           // NOLINT: each system number is one
  Error(Finding finding) : finding_(finding) {}  // NOLINT
  int code() const { return code_; }
  Finding finding() const { return finding_; }
  explicit operator bool() const { return code_ != 0 || finding_ != Finding::kNone; }
  friend bool operator==(const Error&, const Error&) = default;

 private:
  int code_ = 0;
  Finding finding_ = Finding::kNone;
};
inline const Error kSourceChanged{Error::Finding::kSourceChanged};
inline const Error kCopyDiffers{Error::Finding::kCopyDiffers};
inline const Error kNotAFile{Error::Finding::kNotAFile};

// A file's content in 128 bits, for files that are checked by their bytes.
struct Digest {
  std::uint64_t low = 0, high = 0;
  bool operator==(const Digest&) const = default;
};

// Names compared as the file systems that ignore case compare them: Unicode
// simple case folding (Windows: the system's ordinal upper-casing).
std::string FoldCase(std::string_view name);
// Whether folder's file system takes another spelling of a name for that
// name: told by a name already there where one is, else by its type (FAT,
// exFAT, NTFS, their FUSE servers, ext4's case-folding folders).
bool IgnoresCase(const std::string& folder);
// Whether a and b, which name one file, are two entries (hard links), not
// one reached by two spellings or two paths to one folder.
bool DistinctEntries(const std::string& a, const std::string& b);
// Whether folder can hold a file called name (its length, and the path's).
bool NameFits(const std::string& folder, const std::string& name);
// What a drive takes, as far as it says: asked once before a transfer.
struct DriveLimits {
  std::uint64_t free = 0;     // bytes this user may fill; UINT64_MAX: not known
  std::uint64_t cluster = 1;  // a file takes its size rounded up to these
  std::uint64_t largest_file = UINT64_MAX;
  // Names are Windows names: none of \ / : * ? " < > | or a control character.
  bool windows_names = false;
  bool read_only = false;
  std::size_t longest_name = 255;  // bytes (Windows: UTF-16 units)
};
// None when folder's drive cannot be asked (gone, or no folder).
std::optional<DriveLimits> LimitsOf(const std::string& folder);
// Whether folder, on a drive of limits, can hold a file called name.
bool NameFits(const DriveLimits& limits, const std::string& folder, const std::string& name);
// Whether folder holds an entry spelled exactly name: on a file system that
// ignores case, another spelling of a name finds the file without being listed.
bool ListsExactly(const std::string& folder, const std::string& name);

// Called between the chunks of a long copy, so the window stays live, with
// the bytes the chunk copied (0 for a chunk only read); it may throw to
// abandon the copy.
using ChunkHook = std::function<void(std::uint64_t copied)>;

// The digest of the file at path, read now; 0 or an error number.
int DigestOfFile(const std::string& path, Digest& digest, const ChunkHook& between_chunks);
// 0 when the file at path holds the content digest names now, else
// kSourceChanged or an error number.
inline Error SameContent(const std::string& path, const Digest& digest,
                         const ChunkHook& between_chunks) {
  Digest now;
  if (int error = DigestOfFile(path, now, between_chunks)) return error;
  return now == digest ? 0 : kSourceChanged;
}

// An open file or folder of the system (a descriptor, or a Windows handle),
// closed when it goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(std::intptr_t value) : value_(value) {}
  Handle(Handle&& other) noexcept : value_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~Handle() { reset(); }
  std::intptr_t get() const { return value_; }
  bool valid() const { return value_ != -1; }
  std::intptr_t release() {
    const std::intptr_t value = value_;
    value_ = -1;
    return value;
  }
  void reset(std::intptr_t value = -1);

 private:
  std::intptr_t value_ = -1;  // -1: none, on both systems
};

// A file opened for reading (a final link not followed), with its facts as
// it was opened: one walk of its path for both the look and the read.
struct OpenedFile {
  Handle handle;
  FileFacts facts;
};
int OpenToRead(const std::string& path, OpenedFile& file);
// The digest of an opened file's content, read now from its start; 0 or an
// error number.
int DigestOfOpen(const OpenedFile& file, Digest& digest, const ChunkHook& between_chunks);

// A file being made for a destination path. Its content has no name until
// Publish: an unnamed file in the destination folder where the file system
// allows one, else a short hidden temporary name (at most 32 bytes, never
// derived from the file's own name) that is removed if the file is
// abandoned. Destroyed unpublished, it leaves nothing behind.
class NewFile {
 public:
  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile();

  // Mode: the permission bits the file must end with; none: the default
  // for a new file (the umask applies).
  int Create(const std::string& destination, std::optional<unsigned> mode);
  // Buffered; the first error is kept and returned by Sync or Publish.
  void Append(std::string_view text) {
    buffer_ += text;
    facts_.size += text.size();
    if (buffer_.size() >= kAppendChunk && error_ == 0) error_ = FlushBuffer();
  }
  // The content, times and permission bits of source (a regular file,
  // never a FIFO or a link); bits and times only where the destination can
  // hold them. kSourceChanged when the source changed while it was read.
  // With checked, the bytes are digested as they are copied.
  Error CopyFrom(const std::string& source, const ChunkHook& between_chunks, bool checked = false);
  // The digest of what CopyFrom copied, when checked.
  const std::optional<Digest>& digest() const { return digest_; }
  // Once synced: 0 when the copy, read from the drive rather than from
  // memory where the system allows, holds what was copied; else kCopyDiffers
  // or an error number. 0 for a copy that was not checked.
  Error ReadBack(const ChunkHook& between_chunks);
  // The source as the copy read it.
  const FileFacts& source_facts() const { return source_facts_; }
  // The content is on disk.
  int Sync();
  // Gives the content its destination name. A new name never replaces a
  // file (EEXIST when one appeared); a replacement takes the place of the
  // file there in one step.
  int Publish(bool replace);
  // The written file, as it was when published.
  const FileFacts& facts() const { return facts_; }
  // The copy, once named, reads back its source's modification date (within
  // the two seconds a FAT stick keeps).
  bool dates_kept() const { return dates_kept_; }
  const std::string& destination() const { return destination_; }
  // Another name in the same folder, before Publish.
  void Retarget(std::string destination) { destination_ = std::move(destination); }

 private:
  // Small enough that writing it never holds the window for long.
  static constexpr std::size_t kAppendChunk = 256u << 10;
  int FlushBuffer();
  void Abandon();
#ifndef _WIN32
  int OpenFolder();
  int CreateTemp(int& fd, unsigned mode);
#endif
  std::string destination_;
  std::string temp_;  // a name in the destination folder, when the file has one
  std::string buffer_;
  FileFacts facts_;
  FileFacts source_facts_;
  std::optional<Digest> digest_;
  bool facts_known_ = false;  // taken from the written file, not only counted
  bool dates_kept_ = true;
  Handle handle_;
  // The destination folder, opened where a temporary name is needed: names
  // are resolved in it, so a temporary name never makes a path too long.
  Handle folder_;
  int error_ = 0;
  bool published_ = false;
};

// Holds folder open while it lives, for the lock that makes runs of this
// program on one machine take turns at naming files there where a rename
// cannot refuse to replace: each turn then costs no round trip to a FUSE
// server. Without one, each turn opens the folder.
class FolderTurns {
 public:
  explicit FolderTurns(const std::string& folder);
  ~FolderTurns();
  FolderTurns(const FolderTurns&) = delete;
  FolderTurns& operator=(const FolderTurns&) = delete;

 private:
  std::string path_;
  Handle held_;
};

// Renames within one file system (EXDEV across file systems). Without
// replace a file that is there is never replaced (EEXIST). volume: the file
// system's device where known (else 0), to remember what it can do.
int Rename(const std::string& source, const std::string& destination, bool replace,
           std::uint64_t volume);
// Gives the file at path the times of from, where a rename may have dated
// it now (a FAT stick); whether it holds them now.
bool KeepDates(const std::string& path, const FileFacts& from);
int RemoveFile(const std::string& path);
// How many new files may wait open at once: the open-file limit is raised to
// the most the system allows, and a share of it is offered.
std::size_t OpenFileBudget();
// Everything written to the file system that holds folder is on disk.
int SyncFileSystemOf(const std::string& folder);
// Whether folder lies on a drive that can be unplugged: removable, or on a
// USB bus, whatever its file system.
bool OnRemovableDrive(const std::string& folder);
// Whether SyncFileSystemOf reaches the disk there: true for local disk file
// systems; false for FUSE, network and unknown ones, whose files and folders
// must each be synced.
bool SyncReachesDisk(const std::string& folder);
// The names in folder are on disk.
int SyncFolder(const std::string& folder);
// Makes the folder at path, its parent folder's names on disk after; 0 or
// the error number (EEXIST where anything stands there).
int MakeFolder(const std::string& path);
// Removes the temporary files a killed program left in folder: those that no
// living process holds.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace os
