// The reading calls of the POSIX platform layer: a file's bytes and their
// digest, its accessed date left as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "fs/content_digest.h"
#include "fs/platform.h"
#include "fs/posix_files.h"

namespace os {

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

// A file opened to be read with its accessed date left as it was, a date
// files are found by: O_NOATIME where the user may (the file is theirs),
// else as any reader. O_NONBLOCK: opening a FIFO must never wait for a writer.
int OpenToReadQuietly(const std::string& path) {
  const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  const int fd = open(path.c_str(), flags | O_NOATIME);
  return fd >= 0 || errno != EPERM ? fd : open(path.c_str(), flags);
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

}  // namespace os
