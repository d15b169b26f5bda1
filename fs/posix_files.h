#pragma once
// Small pieces the POSIX platform layer's files share.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "fs/platform.h"

namespace os {

// Small enough that the window keeps up between chunks on a slow disk.
inline constexpr std::size_t kChunk = 4u << 20;

// The digest of all of fd, read from its start.
int DigestOf(int fd, Digest& digest, const ChunkHook& between_chunks);
// A descriptor of path opened to be read, with its accessed date left as it
// was where this user may; -1 with errno when it cannot be opened.
int OpenToReadQuietly(const std::string& path);

inline std::string FolderPart(const std::string& path) {
  std::size_t last = path.rfind('/');
  return last == std::string::npos ? std::string("./") : path.substr(0, last + 1);
}

inline std::string NamePart(const std::string& path) {
  std::size_t last = path.rfind('/');
  return last == std::string::npos ? path : path.substr(last + 1);
}

// A write lock on the whole file, as F_OFD_SETLK takes it and F_OFD_GETLK asks.
inline struct flock WholeFileLock() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return lock;
}

inline FileFacts FactsOf(const struct stat& st) {
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

// Permission bits and times the destination cannot hold (FAT, some FUSE
// file systems) are given up, as cp gives them up.
inline bool Unsupported(int error) {
  return error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP;
}

// A descriptor as the system calls take it.
inline int Fd(const Handle& handle) { return static_cast<int>(handle.get()); }

}  // namespace os
