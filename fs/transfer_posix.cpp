// The transfer calls of the POSIX platform layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "fs/platform.h"

namespace os {

int (*copy_chunk_hook)() = nullptr;

namespace {

constexpr std::size_t kChunk = 4u << 20;

// Copies the whole content; copy_file_range lets the kernel do it, reflinks included.
int CopyContent(int in, int out, off_t size) {
  bool kernel = true;
  std::vector<char> buffer;
  off_t done = 0;
  while (done < size || !kernel) {
    ssize_t n = -1;
    if (kernel) {
      n = copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
      if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernel = false;
        buffer.resize(1u << 20);
        continue;
      }
    } else {
      n = read(in, buffer.data(), buffer.size());
      if (n > 0) {
        for (ssize_t w = 0; w < n;) {
          ssize_t k = write(out, buffer.data() + w, n - w);
          if (k < 0) {
            if (errno == EINTR) continue;
            return errno;
          }
          w += k;
        }
      }
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;  // end of file (the file may have shrunk)
    done += n;
    if (copy_chunk_hook != nullptr) {
      if (int fault = copy_chunk_hook()) return fault;
    }
  }
  return 0;
}

unsigned long temp_counter = 0;

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
  return last == std::string::npos ? std::string(".") : path.substr(0, last + 1);
}

std::string NamePart(const std::string& path) {
  std::size_t last = path.rfind('/');
  return last == std::string::npos ? path : path.substr(last + 1);
}

}  // namespace

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return lstat(a.c_str(), &sa) == 0 && lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

int CopyFileAtomic(const std::string& source, const std::string& destination, bool keep_read_only) {
  // O_NONBLOCK: opening a FIFO must never wait for a writer.
  int in = open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat st {};
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return EINVAL;
  }
  struct stat old {};
  const bool replacing = lstat(destination.c_str(), &old) == 0;
  if (replacing) {
    const bool itself = old.st_dev == st.st_dev && old.st_ino == st.st_ino;
    if (itself || (keep_read_only && (old.st_mode & S_IWUSR) == 0)) {
      close(in);
      return itself ? 0 : EACCES;
    }
  }
  const mode_t mode = st.st_mode & 07777;
  std::string temp;
  int out = -1;
  if (!replacing) {
    // Nothing to protect: the file is made in place, and removed if the copy fails.
    temp = destination;
    out = open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  }
  static const std::string pid = std::to_string(getpid());
  for (int attempt = 0; out < 0 && attempt < 100; ++attempt) {
    temp = FolderPart(destination) + "." + NamePart(destination) + ".lark-" + pid + "-" +
           std::to_string(temp_counter++);
    out = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (out < 0 && errno != EEXIST) break;
  }
  if (out < 0) {
    int error = errno;
    close(in);
    return error;
  }
  int error = CopyContent(in, out, st.st_size);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  // The creation mode went through the umask; restore what it took away.
  if (error == 0 && (mode & ~CurrentUmask()) != mode && fchmod(out, mode) != 0) error = errno;
  if (error == 0 && futimens(out, times) != 0) error = errno;
  if (close(out) != 0 && error == 0) error = errno;
  close(in);
  if (error == 0 && temp != destination && rename(temp.c_str(), destination.c_str()) != 0)
    error = errno;
  if (error != 0) unlink(temp.c_str());
  return error;
}

int RenameOrMove(const std::string& source, const std::string& destination) {
  if (rename(source.c_str(), destination.c_str()) == 0) return 0;
  if (errno != EXDEV) return errno;
  if (int error = CopyFileAtomic(source, destination, false)) return error;
  return unlink(source.c_str()) == 0 ? 0 : errno;
}

AtomicWriter::~AtomicWriter() {
  if (fd_ >= 0) {
    close(fd_);
    unlink(temp_.c_str());
  }
}

int AtomicWriter::Open(const std::string& path) {
  path_ = path;
  temp_ = FolderPart(path) + "." + NamePart(path) + ".lark-XXXXXX";
  fd_ = mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) return errno;
  struct stat old {};
  mode_t mode = 0666;
  if (stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode &= ~CurrentUmask();
  }
  fchmod(fd_, mode);
  return 0;
}

void AtomicWriter::Append(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() >= (1u << 20) && error_ == 0) error_ = Flush();
}

int AtomicWriter::Flush() {
  for (std::size_t done = 0; done < buffer_.size();) {
    ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  buffer_.clear();
  return 0;
}

int AtomicWriter::Commit() {
  int error = error_ != 0 ? error_ : Flush();
  if (close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && rename(temp_.c_str(), path_.c_str()) != 0) error = errno;
  if (error != 0) unlink(temp_.c_str());
  return error;
}

int RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : errno; }

}  // namespace os
