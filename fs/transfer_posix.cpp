// The transfer calls of the POSIX platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "fs/content_digest.h"
#include "fs/platform.h"
#include "fs/temp_names.h"

namespace os {

namespace {

// Small enough that the window keeps up between chunks on a slow disk.
constexpr std::size_t kChunk = 4u << 20;

mode_t CurrentUmask() {
  static const mode_t mask = [] {
    mode_t m = umask(0);
    umask(m);
    return m;
  }();
  return mask;
}

std::string FolderPart(const std::string& path) {
  std::size_t last = path.rfind('/');
  return last == std::string::npos ? std::string("./") : path.substr(0, last + 1);
}

std::string NamePart(const std::string& path) {
  std::size_t last = path.rfind('/');
  return last == std::string::npos ? path : path.substr(last + 1);
}

FileFacts FactsOf(const struct stat& st) {
  FileFacts f;
  f.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  f.size = static_cast<std::uint64_t>(st.st_size);
  f.modified = {st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
  f.accessed = {st.st_atim.tv_sec, static_cast<std::int32_t>(st.st_atim.tv_nsec)};
  f.changed = {st.st_ctim.tv_sec, static_cast<std::int32_t>(st.st_ctim.tv_nsec)};
  f.mode = st.st_mode & 07777;
  f.links = static_cast<unsigned>(st.st_nlink);
  f.regular = S_ISREG(st.st_mode);
  f.read_only = (st.st_mode & S_IWUSR) == 0;
  return f;
}

// A write lock on the whole file, as F_OFD_SETLK takes it and F_OFD_GETLK asks.
struct flock WholeFileLock() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return lock;
}

// Held while this program has a file under a temporary name: a name nobody
// holds was left by a program that was killed.
void LockTemp(int fd) {
  struct flock lock = WholeFileLock();
  fcntl(fd, F_OFD_SETLK, &lock);
}

// Permission bits and times the destination cannot hold (FAT, some FUSE
// file systems) are given up, as cp gives them up.
bool Unsupported(int error) {
  return error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP;
}

// A descriptor as the system calls take it.
int Fd(const Handle& handle) { return static_cast<int>(handle.get()); }

int WriteAll(int fd, const char* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    ssize_t n = write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Copies in to out up to its end, or up to size bytes when size is not 0
// (the size at opening: a small file then needs one call, not a second one
// that finds the end); copy_file_range lets the kernel do it, reflinks
// included, unless the bytes are to be digested as they pass.
int CopyContent(int in, int out, std::uint64_t size, const ChunkHook& between_chunks,
                ContentDigest* digest) {
  bool kernel = digest == nullptr;
  std::vector<char> buffer;
  // No bigger than the file: a chunk's worth for each small file would be
  // mapped and unmapped each time, which costs more than its copy.
  const std::size_t buffer_size =
      size == 0 ? kChunk : std::clamp<std::uint64_t>(size, 1u << 16, kChunk);
  if (!kernel) buffer.resize(buffer_size);
  for (std::uint64_t done = 0;;) {
    ssize_t n = -1;
    if (kernel) {
      n = copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
      if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernel = false;
        buffer.resize(buffer_size);
        continue;
      }
    } else {
      n = read(in, buffer.data(), buffer.size());
      if (n > 0) {
        if (digest != nullptr) digest->Add(buffer.data(), static_cast<std::size_t>(n));
        if (int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return error;
      }
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    done += static_cast<std::uint64_t>(n);
    if (between_chunks) between_chunks(static_cast<std::uint64_t>(n));
    if (size != 0 && done >= size) return 0;
  }
}

// The digest of all of fd, read from its start.
int DigestOf(int fd, Digest& digest, const ChunkHook& between_chunks) {
  ContentDigest content;
  // One buffer a thread, its pages touched only as far as files reach: a
  // rerun compares every file it finds, most of them small.
  thread_local const std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (off_t at = 0;;) {
    const ssize_t n = pread(fd, buffer.get(), kChunk, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    content.Add(buffer.get(), static_cast<std::size_t>(n));
    at += n;
    if (between_chunks) between_chunks(0);
  }
  digest = content.Value();
  return 0;
}

// Links an unnamed file under name (relative to folder); fails with EEXIST
// rather than replace.
int LinkUnnamed(int fd, int folder, const std::string& name) {
  // The descriptor itself where allowed (CAP_DAC_READ_SEARCH), else through /proc.
  if (linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT && errno != EPERM) return errno;
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, proc.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// The file systems (by device) whose rename cannot refuse to replace a file:
// each is asked once, not at every name (on FUSE each asking is a round trip).
bool CannotRefuse(std::uint64_t volume, bool learnt = false) {
  static std::mutex mutex;
  static std::set<std::uint64_t> volumes;
  const std::lock_guard lock(mutex);
  if (learnt && volume != 0) volumes.insert(volume);
  return volumes.count(volume) != 0;
}

// The folders a run holds open for their locks, by path with the final "/".
std::mutex turns_mutex;
std::map<std::string, int> turns;

// A descriptor of the folder (path with the final "/") for its lock: the one
// a run holds, or else turn, opened now.
int TurnFolder(const std::string& path, Handle& turn) {
  {
    const std::lock_guard lock(turns_mutex);
    if (const auto held = turns.find(path); held != turns.end()) return held->second;
  }
  turn.reset(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return Fd(turn);
}

// volume: the file system's device, 0 when not known. path: the folder's,
// with its final "/".
int RenameIn(int folder, const std::string& path, const std::string& from, const std::string& to,
             bool replace, std::uint64_t volume) {
  if (replace) return renameat(folder, from.c_str(), folder, to.c_str()) == 0 ? 0 : errno;
  if (!CannotRefuse(volume)) {
    if (renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    CannotRefuse(volume, true);
  }
  // The file system cannot refuse for us: look first, holding the folder's
  // lock, so that no other run on this machine takes the name between the
  // look and the rename (the kernel keeps the lock where FUSE does not).
  Handle opened;
  const int turn = TurnFolder(path, opened);
  while (turn >= 0 && flock(turn, LOCK_EX) != 0 && errno == EINTR) {
  }
  struct stat st {};
  int error = EEXIST;
  if (fstatat(folder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    error = renameat(folder, from.c_str(), folder, to.c_str()) == 0 ? 0 : errno;
  if (turn >= 0) flock(turn, LOCK_UN);
  return error;
}

// Sets the times of name in folder to those of from where a rename lost
// them (fusefat dates a renamed file now, and keeps no times set through an
// open file) and reads them back: whether it holds the modification date,
// within a FAT stick's two seconds.
// FAT's types; and those that take Windows' names: FAT, exFAT and NTFS, or
// their FUSE servers (an exFAT or NTFS stick shows as "fuseblk").
bool IsFat(const std::string& type) {
  return type == "vfat" || type == "msdos" || type == "fuse.fusefat";
}
bool TakesWindowsNames(const std::string& type) {
  return IsFat(type) || type == "exfat" || type == "ntfs" || type == "ntfs3" || type == "fuseblk";
}

// FAT and exFAT hold the years 1980 to 2107 only, whatever a FUSE server
// answers until the drive is mounted again.
bool HoldsDate(const std::string& folder, std::int64_t sec) {
  constexpr std::int64_t kFirst = 315532800, kEnd = 4354819200;  // 1980, 2108
  return (sec >= kFirst && sec < kEnd) || !TakesWindowsNames(FileSystemType(folder));
}

bool DateByName(int folder, const std::string& name, const FileFacts& from) {
  struct stat st {};
  const auto kept = [&] {
    return fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           std::llabs(st.st_mtim.tv_sec - from.modified.sec) <= 2;
  };
  if (kept()) return true;
  const timespec times[2] = {{from.accessed.sec, from.accessed.nsec},
                             {from.modified.sec, from.modified.nsec}};
  return utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 && kept();
}

}  // namespace

void Handle::reset(std::intptr_t value) {
  if (value_ != -1) close(static_cast<int>(value_));
  value_ = value;
}

std::optional<FileFacts> Examine(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return std::nullopt;
  return FactsOf(st);
}

NewFile::~NewFile() { Abandon(); }

void NewFile::Abandon() {
  if (!published_ && !temp_.empty()) unlinkat(Fd(folder_), temp_.c_str(), 0);
  temp_.clear();
  handle_.reset();
  folder_.reset();
}

int NewFile::Create(const std::string& destination, std::optional<unsigned> mode) {
  Abandon();
  destination_ = destination;
  published_ = false;
  facts_ = {};
  facts_known_ = false;
  dates_kept_ = true;
  const std::string folder = FolderPart(destination);
  const mode_t wanted = mode ? static_cast<mode_t>(*mode) : 0666 & ~CurrentUmask();
  // Readable, so that a checked copy can be read back.
  int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, wanted);
  if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // The file system has no unnamed files (FUSE, some network file systems).
    if (int error = OpenFolder()) return error;
    if (int error = CreateTemp(fd, wanted)) return error;
  }
  if (fd < 0) return errno;
  handle_.reset(fd);
  // The creation mode went through the umask.
  if ((wanted & ~CurrentUmask()) != wanted) {
    if (fchmod(fd, wanted) != 0 && !Unsupported(errno)) return errno;
  }
  facts_.mode = wanted;
  return 0;
}

int NewFile::CreateTemp(int& fd, unsigned mode) {
  for (;;) {
    temp_ = ShortTempName(kTempPrefix);
    fd = openat(Fd(folder_), temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      const int error = errno;
      temp_.clear();
      return error;
    }
    // Where the file system keeps no locks the clean-up cannot ask either.
    LockTemp(fd);
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_nlink > 0) return 0;
    // Another program's clean-up took the name before the lock: another one.
    close(fd);
  }
}

int NewFile::OpenFolder() {
  if (folder_.valid()) return 0;
  const int folder = open(FolderPart(destination_).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return errno;
  folder_.reset(folder);
  return 0;
}

int NewFile::FlushBuffer() {
  if (!handle_.valid()) return EBADF;
  int error = WriteAll(Fd(handle_), buffer_.data(), buffer_.size());
  buffer_.clear();
  return error;
}

namespace {

// A file opened to be read with its accessed date left as it was, a date
// files are found by: O_NOATIME where the user may (the file is theirs),
// else as any reader. O_NONBLOCK: opening a FIFO must never wait for a writer.
int OpenToReadQuietly(const std::string& path) {
  const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  const int fd = open(path.c_str(), flags | O_NOATIME);
  return fd >= 0 || errno != EPERM ? fd : open(path.c_str(), flags);
}

}  // namespace

int NewFile::CopyFrom(const std::string& source, const ChunkHook& between_chunks, bool checked) {
  const Handle in(OpenToReadQuietly(source));
  if (!in.valid()) return errno == ELOOP ? kNotAFile : errno;  // a link is no file to copy
  struct stat st {};
  if (fstat(Fd(in), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return kNotAFile;
  source_facts_ = FactsOf(st);
  const int out = Fd(handle_);
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  std::optional<ContentDigest> content;
  if (checked) content.emplace();
  digest_.reset();
  if (int error = CopyContent(Fd(in), out, size, between_chunks, content ? &*content : nullptr))
    return error;
  if (content) digest_ = content->Value();
  // Written to meanwhile, in place or by growing or shrinking: what was
  // copied may be neither the old content nor the new.
  if (fstat(Fd(in), &st) != 0) return errno;
  if (!Unchanged(source_facts_, FactsOf(st))) return kSourceChanged;
  if ((st.st_mode & 07777) != facts_.mode && fchmod(out, st.st_mode & 07777) != 0 &&
      !Unsupported(errno))
    return errno;
  // The dates the source had before it was read.
  const struct timespec times[2] = {{source_facts_.accessed.sec, source_facts_.accessed.nsec},
                                    st.st_mtim};
  if (futimens(out, times) != 0 && !Unsupported(errno)) return errno;
  if (fstat(out, &st) != 0) return errno;
  // Naming the file changes none of these.
  facts_ = FactsOf(st);
  facts_known_ = true;
  return 0;
}

int NewFile::ReadBack(const ChunkHook& between_chunks) {
  if (!digest_) return 0;
  // Synced, so the pages are clean: dropped, they are read from the drive.
  const auto digest_of = [&](int fd, Digest& read) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return DigestOf(fd, read, between_chunks);
  };
  Digest written;
  if (int error = digest_of(Fd(handle_), written)) return error;
  if (written != *digest_ && !temp_.empty()) {
    // Opened afresh by its name: a FUSE file system may serve the descriptor
    // that wrote a file from that descriptor's own state (fusefat reads zeros).
    const Handle named(openat(Fd(folder_), temp_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!named.valid()) return errno;
    if (int error = digest_of(Fd(named), written)) return error;
  }
  // Read back, it was marked read now: it takes its source's accessed date
  // again (where a file system keeps none set so, the date matters little).
  const timespec times[2] = {{source_facts_.accessed.sec, source_facts_.accessed.nsec},
                             {0, UTIME_OMIT}};
  futimens(Fd(handle_), times);
  return written == *digest_ ? 0 : kCopyDiffers;
}

int OpenToRead(const std::string& path, OpenedFile& file) {
  file.handle = Handle(OpenToReadQuietly(path));
  struct stat st {};
  if (!file.handle.valid() || fstat(Fd(file.handle), &st) != 0) return errno;
  file.facts = FactsOf(st);
  return 0;
}

int DigestOfOpen(const OpenedFile& file, Digest& digest, const ChunkHook& between_chunks) {
  return DigestOf(Fd(file.handle), digest, between_chunks);
}

int DigestOfFile(const std::string& path, Digest& digest, const ChunkHook& between_chunks) {
  const Handle in(OpenToReadQuietly(path));
  if (!in.valid()) return errno;
  return DigestOf(Fd(in), digest, between_chunks);
}

int NewFile::Sync() {
  if (error_ == 0) error_ = FlushBuffer();
  if (error_ != 0) return error_;
  return fsync(Fd(handle_)) == 0 ? 0 : errno;
}

int NewFile::Publish(bool replace) {
  if (error_ == 0 && !buffer_.empty()) error_ = FlushBuffer();
  if (error_ != 0) return error_;
  const int fd = Fd(handle_);
  const std::string name = NamePart(destination_);
  int error = 0;
  if (temp_.empty() && !replace) {
    error = LinkUnnamed(fd, AT_FDCWD, destination_);
  } else if ((error = OpenFolder()) == 0) {
    const int folder = Fd(folder_);
    if (!temp_.empty()) {
      error = RenameIn(folder, FolderPart(destination_), temp_, name, replace,
                       facts_known_ ? facts_.id.volume : 0);
      if (error == 0 && facts_known_)
        dates_kept_ = DateByName(folder, name, source_facts_) &&
                      HoldsDate(FolderPart(destination_), source_facts_.modified.sec);
    } else {
      // No call links an unnamed file over another: link it under a short
      // name, then rename that over the old file in one step.
      // Locked before it has a name, so no clean-up takes it for a killed
      // program's.
      std::string temp;
      LockTemp(fd);
      do {
        temp = ShortTempName(kTempPrefix);
        error = LinkUnnamed(fd, folder, temp);
      } while (error == EEXIST);
      if (error == 0 && (error = RenameIn(folder, FolderPart(destination_), temp, name, true, 0)) != 0)
        unlinkat(folder, temp.c_str(), 0);
    }
  }
  if (error != 0) return error;
  temp_.clear();
  published_ = true;
  if (facts_known_) return 0;
  struct stat st {};
  if (fstat(fd, &st) != 0) return errno;
  facts_ = FactsOf(st);
  return 0;
}

bool KeepDates(const std::string& path, const FileFacts& from) {
  return DateByName(AT_FDCWD, path, from) && HoldsDate(FolderPart(path), from.modified.sec);
}

int Rename(const std::string& source, const std::string& destination, bool replace,
           std::uint64_t volume) {
  return RenameIn(AT_FDCWD, FolderPart(destination), source, destination, replace, volume);
}

std::size_t OpenFileBudget() {
  static const std::size_t budget = [] {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::size_t{64};
    if (limit.rlim_cur < limit.rlim_max) {
      limit.rlim_cur = limit.rlim_max;
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<std::size_t>(limit.rlim_cur / 4);
  }();
  return budget;
}

int RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : errno; }

int SyncFileSystemOf(const std::string& folder) {
  const Handle fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  return syncfs(Fd(fd)) == 0 ? 0 : errno;
}

bool OnRemovableDrive(const std::string& folder) {
  struct stat st {};
  // FUSE, network and memory file systems have no block device: their type tells.
  if (stat(folder.c_str(), &st) != 0 || major(st.st_dev) == 0) return false;
  std::error_code error;
  const std::filesystem::path device = std::filesystem::canonical(
      "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" +
          std::to_string(minor(st.st_dev)),
      error);
  if (error) return false;
  if (device.string().find("/usb") != std::string::npos) return true;
  // A partition's own folder has no "removable": its disk's has.
  for (std::filesystem::path at = device; at.has_relative_path(); at = at.parent_path()) {
    int removable = 0;
    if (std::ifstream(at / "removable") >> removable) return removable == 1;
  }
  return false;
}

bool SyncReachesDisk(const std::string& folder) {
  struct statfs fs {};
  if (statfs(folder.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case 0x2fc12fc1:  // zfs
    case 0x3153464a:  // jfs
      return true;
    default:
      return false;
  }
}

int SyncFolder(const std::string& folder) {
  const Handle fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  // Some file systems cannot sync a folder: their names are written as made.
  if (fsync(Fd(fd)) != 0 && errno != EINVAL && !Unsupported(errno)) return errno;
  return 0;
}

int MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) != 0) return errno;
  std::string parent = path;
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  parent = std::filesystem::path(parent).parent_path().string();
  return SyncFolder(parent.empty() ? "." : parent);
}

bool IgnoresCase(const std::string& folder) {
  // A name there with a letter: another spelling finds it or not.
  if (DIR* dir = opendir(folder.c_str())) {
    std::set<std::string> names;
    while (const struct dirent* e = readdir(dir)) names.insert(e->d_name);
    closedir(dir);
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    for (const std::string& name : names) {
      std::string other = name;
      for (char& c : other) c = std::islower(c) ? std::toupper(c) : std::tolower(c);
      if (other != name && names.count(other) == 0) return Examine(base + other).has_value();
    }
  }
  // Else the file system's type: its own, or its FUSE server's as the
  // kernel's table names it (an exFAT or NTFS stick is "fuseblk").
  const Handle fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  int flags = 0;
  constexpr int kCaseFold = 0x40000000;  // FS_CASEFOLD_FL
  if (fd.valid() && ioctl(Fd(fd), FS_IOC_GETFLAGS, &flags) == 0 && (flags & kCaseFold) != 0)
    return true;
  return TakesWindowsNames(FileSystemType(folder));
}

FolderTurns::FolderTurns(const std::string& folder)
    : path_(folder.empty() || folder.back() == '/' ? folder : folder + '/') {
  const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const std::lock_guard lock(turns_mutex);
  if (turns.emplace(path_, fd).second) {
    held_.reset(fd);
  } else {
    close(fd);  // held already
  }
}

FolderTurns::~FolderTurns() {
  if (!held_.valid()) return;
  const std::lock_guard lock(turns_mutex);
  turns.erase(path_);
}

bool DistinctEntries(const std::string& a, const std::string& b) {
  const auto folder_a = Examine(FolderPart(a)), folder_b = Examine(FolderPart(b));
  if (!folder_a || !folder_b) return false;
  if (!(folder_a->id == folder_b->id)) return true;
  return NamePart(a) != NamePart(b) && ListsExactly(FolderPart(a), NamePart(a)) &&
         ListsExactly(FolderPart(a), NamePart(b));
}

std::optional<std::uint64_t> FreeSpace(const std::string& folder) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

std::optional<DriveLimits> LimitsOf(const std::string& folder) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  DriveLimits limits;
  // A FUSE server that keeps no count (LazyFS) says it has no blocks at all.
  limits.free = fs.f_blocks == 0 ? UINT64_MAX : static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
  limits.cluster = fs.f_frsize > 0 ? fs.f_frsize : 1;
  limits.read_only = (fs.f_flag & ST_RDONLY) != 0;
  const std::string type = FileSystemType(folder);
  if (IsFat(type)) limits.largest_file = 0xffffffffu;  // sizes of 32 bits
  limits.windows_names = TakesWindowsNames(type);
  return limits;
}

bool NameFits(const std::string& folder, const std::string& name) {
  const long most = pathconf(folder.c_str(), _PC_NAME_MAX);
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  return name.size() <= static_cast<std::size_t>(most > 0 ? most : 255) &&
         !PastPathLimit(base + name);
}

bool ListsExactly(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return true;  // cannot tell: taken as another file
  bool found = false;
  while (const struct dirent* e = readdir(dir))
    if ((found = name == e->d_name)) break;
  closedir(dir);
  return found;
}

void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  const int at = dirfd(dir);
  while (const struct dirent* e = readdir(dir)) {
    if (!IsTempName(e->d_name, kTempPrefix)) continue;
    const Handle fd(openat(at, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct flock lock = WholeFileLock();
    struct stat st {};
    if (fd.valid() && fstat(Fd(fd), &st) == 0 && S_ISREG(st.st_mode) &&
        fcntl(Fd(fd), F_OFD_GETLK, &lock) == 0 && lock.l_type == F_UNLCK)
      unlinkat(at, e->d_name, 0);
  }
  closedir(dir);
}

}  // namespace os
