// The transfer calls of the POSIX platform layer.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "fs/content_digest.h"
#include "fs/platform.h"
#include "fs/posix_files.h"
#include "fs/temp_names.h"

namespace os {

namespace {

mode_t CurrentUmask() {
  static const mode_t mask = [] {
    mode_t m = umask(0);
    umask(m);
    return m;
  }();
  return mask;
}

// Held while this program has a file under a temporary name: a name nobody
// holds was left by a program that was killed.
void LockTemp(int fd) {
  struct flock lock = WholeFileLock();
  fcntl(fd, F_OFD_SETLK, &lock);
}

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

// Links an unnamed file under name (relative to folder); fails with EEXIST
// rather than replace.
int LinkUnnamed(int fd, int folder, const std::string& name) {
  // The descriptor itself where allowed (CAP_DAC_READ_SEARCH), else through /proc.
  if (linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT && errno != EPERM) return errno;
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, proc.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// What a file system (by device) was found to do, learnt once and not asked
// at every name again (on FUSE each asking is a round trip).
bool Noted(std::set<std::uint64_t>& volumes, std::uint64_t volume, bool learnt) {
  static std::mutex mutex;
  const std::lock_guard lock(mutex);
  if (learnt && volume != 0) volumes.insert(volume);
  return volumes.count(volume) != 0;
}

// Whose rename cannot refuse to replace a file.
bool CannotRefuse(std::uint64_t volume, bool learnt = false) {
  static std::set<std::uint64_t> volumes;
  return Noted(volumes, volume, learnt);
}

// Which kept a file's dates through a rename: each rename there is not
// looked at again.
bool RenameKeepsDates(std::uint64_t volume, bool learnt = false) {
  static std::set<std::uint64_t> volumes;
  return Noted(volumes, volume, learnt);
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
bool DateByName(int folder, const std::string& name, const FileFacts& from, std::uint64_t volume) {
  if (RenameKeepsDates(volume)) return true;
  struct stat st {};
  const auto kept = [&] {
    return fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           std::llabs(st.st_mtim.tv_sec - from.modified.sec) <= 2;
  };
  if (kept()) {
    // Learnt only from a date that a rename which dates files now would lose.
    if (std::llabs(static_cast<long long>(std::time(nullptr)) - from.modified.sec) > 60)
      RenameKeepsDates(volume, true);
    return true;
  }
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

Error NewFile::CopyFrom(const std::string& source, const ChunkHook& between_chunks, bool checked) {
  const Handle in(OpenToReadQuietly(source));
  if (!in.valid()) return errno == ELOOP ? kNotAFile : Error(errno);  // a link is no file to copy
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

Error NewFile::ReadBack(const ChunkHook& between_chunks) {
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
        dates_kept_ = DateByName(folder, name, source_facts_, facts_.id.volume) &&
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
      if (error == 0 &&
          (error = RenameIn(folder, FolderPart(destination_), temp, name, true, 0)) != 0)
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
  return DateByName(AT_FDCWD, path, from, from.id.volume) &&
         HoldsDate(FolderPart(path), from.modified.sec);
}

int Rename(const std::string& source, const std::string& destination, bool replace,
           std::uint64_t volume) {
  return RenameIn(AT_FDCWD, FolderPart(destination), source, destination, replace, volume);
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

}  // namespace os
