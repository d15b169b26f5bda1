#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <unordered_set>

#include "fs/platform.h"

namespace os {
namespace {

Timestamp ToStamp(const statx_timestamp& t) {
  return {t.tv_sec, static_cast<std::int32_t>(t.tv_nsec)};
}

FileStamps StampsOf(const struct statx& sx) {
  FileStamps s;
  s.modified = ToStamp(sx.stx_mtime);
  s.accessed = ToStamp(sx.stx_atime);
  s.size = sx.stx_size;
  if (sx.stx_mask & STATX_BTIME) {
    s.created = ToStamp(sx.stx_btime);
    s.has_created = true;
  }
  return s;
}

constexpr unsigned kStatxMask = STATX_TYPE | STATX_MTIME | STATX_ATIME | STATX_BTIME | STATX_SIZE;

std::string WithoutFinalSeparator(const std::string& path) {
  if (path.size() > 1 && path.back() == '/') return path.substr(0, path.size() - 1);
  return path;
}

bool IsVirtualFsType(const std::string& type) {
  static const std::set<std::string> kTypes = {
      "proc",      "sysfs",       "devtmpfs", "devpts",   "cgroup",    "cgroup2", "debugfs",
      "tracefs",   "securityfs",  "pstore",   "bpf",      "configfs",  "fusectl", "mqueue",
      "hugetlbfs", "binfmt_misc", "autofs",   "efivarfs", "selinuxfs", "nsfs",    "rpc_pipefs"};
  return kTypes.count(type) != 0;
}

// Mount points of virtual file systems, from the kernel's table.
std::unordered_set<std::string>& VirtualMounts() {
  static std::unordered_set<std::string> mounts;
  return mounts;
}

// The table escapes blanks and the like as octal \NNN.
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

void InitLocalTime() {
  // Without TZ, glibc re-reads /etc/localtime on every conversion.
  if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 1);
  tzset();
}

bool ToLocalFields(std::int64_t sec, LocalFields& out) {
  time_t t = static_cast<time_t>(sec);
  struct tm tm {};
  if (localtime_r(&t, &tm) == nullptr) return false;
  out = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  return true;
}

bool IsFolder(const std::string& path) {
  if (path.empty() || PastPathLimit(path)) return false;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int FolderError(const std::string& path) {
  if (path.empty()) return ENOENT;
  if (PastPathLimit(path)) return ENAMETOOLONG;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

bool CanWriteIn(const std::string& folder) {
  return faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0;
}

bool IsExistingFile(const std::string& path) {
  if (path.empty() || PastPathLimit(path)) return false;
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// One line of the kernel's mount table.
struct Mount {
  std::string id, parent, device, point, type;  // device: "major:minor"
};

std::vector<Mount> MountTable() {
  std::vector<Mount> table;
  std::ifstream in("/proc/self/mountinfo");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Mount m;
    std::string root, field;
    fields >> m.id >> m.parent >> m.device >> root >> m.point;
    while (fields >> field && field != "-") {
    }
    fields >> m.type;
    table.push_back(std::move(m));
  }
  return table;
}

}  // namespace

std::string FileSystemType(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return {};
  const std::string device =
      std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  for (const Mount& m : MountTable())
    if (m.device == device) return m.type;
  return {};
}

void RefreshMounts() {
  auto& mounts = VirtualMounts();
  mounts.clear();
  const std::vector<Mount> table = MountTable();
  // Only the top-most mount of a point is what a listing sees: a real file
  // system mounted over an automount point (autofs) is searched.
  std::set<std::pair<std::string, std::string>> covered;  // (point, id) with a mount on top
  for (const Mount& m : table) covered.insert({m.point, m.parent});
  for (const Mount& m : table) {
    if (IsVirtualFsType(m.type) && covered.count({m.point, m.id}) == 0)
      mounts.insert(Unescape(m.point));
  }
}

bool KeepsCreationDate(const std::string& folder) {
  struct statx sx {};
  return statx(AT_FDCWD, folder.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME);
}

bool IsVirtualMount(const std::string& folder) {
  return VirtualMounts().count(WithoutFinalSeparator(folder)) != 0;
}

namespace {

// Calls fn(dir, entry) for each entry of folder, then done(dir); returns 0
// or the error number. The folder is opened once and read through that
// descriptor; without follow a folder that is a link is refused (ENOTDIR or
// ELOOP).
template <class Fn, class Done>
int ForEachEntry(const std::string& folder, bool follow, Fn fn, Done done) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
  // A final "/" would follow a link whatever the flags say.
  const int fd = open((follow ? folder : WithoutFinalSeparator(folder)).c_str(), flags);
  if (fd < 0) return errno == ELOOP ? ENOTDIR : errno;
  // getdents64 straight into a buffer of our own: a DIR would cost a stat,
  // two fcntl calls and a buffer for every folder, and a walk reads tens of
  // thousands of them. It is left unfilled, so a small folder's listing
  // touches a page of it rather than all.
  constexpr std::size_t kBufferSize = 64 * 1024;
  thread_local const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
  int error = 0;
  for (;;) {
    const ssize_t got = getdents64(fd, buffer.get(), kBufferSize);
    if (got <= 0) {
      if (got < 0) error = errno;
      break;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* e = reinterpret_cast<const struct dirent64*>(buffer.get() + at);
      fn(fd, *e);
      at += e->d_reclen;
    }
  }
  done(fd);
  close(fd);
  return error;
}

}  // namespace

int ListFolder(const std::string& folder, bool follow, std::vector<std::string>* subfolders,
               const FileVisitor& files) {
  if (folder.empty()) return ENOENT;
  const std::string base = folder.back() == '/' ? folder : folder + "/";
  const bool check_mounts = !VirtualMounts().empty();
  // The entries are gathered first and looked at in the order of their
  // inodes: on a cold disk the inode table is then read front to back rather
  // than at random. They are handed on in listing order all the same.
  struct Entry {
    std::uint32_t name;  // where its name starts in names
    ino_t ino;
    unsigned char type;
    unsigned mode = 0;  // none: gone, or not to be listed
    FileStamps stamps;
  };
  thread_local std::vector<Entry> entries;
  thread_local std::string names;
  thread_local std::vector<std::uint32_t> by_inode;
  entries.clear();
  names.clear();
  by_inode.clear();
  const auto gather = [&](int, const struct dirent64& e) {
    const bool maybe_folder = subfolders != nullptr && e.d_type == DT_DIR;
    const bool maybe_file = files && e.d_type == DT_REG;
    if (!maybe_folder && !maybe_file && e.d_type != DT_UNKNOWN) return;
    const std::string_view name = e.d_name;
    if (name == "." || name == "..") return;
    if (e.d_type != DT_DIR) by_inode.push_back(static_cast<std::uint32_t>(entries.size()));
    entries.push_back({static_cast<std::uint32_t>(names.size()), e.d_ino, e.d_type, 0, {}});
    names.append(name).push_back('\0');
  };
  int unlooked = 0;  // why an entry could not be looked at
  const auto look_and_hand_on = [&](int fd) {
    std::sort(by_inode.begin(), by_inode.end(),
              [](std::uint32_t a, std::uint32_t b) { return entries[a].ino < entries[b].ino; });
    // Only a file's dates are wanted; a folder needs only its type.
    const unsigned mask = files ? kStatxMask : STATX_TYPE;
    for (const std::uint32_t i : by_inode) {
      struct statx sx {};
      if (statx(fd, names.c_str() + entries[i].name, AT_SYMLINK_NOFOLLOW, mask, &sx) != 0) {
        // In a folder that can be listed but not entered (an entry gone
        // meanwhile, or one the file system cannot show, is passed over).
        if ((errno == EACCES || errno == EPERM) && unlooked == 0) unlooked = errno;
        continue;
      }
      entries[i].mode = sx.stx_mode;
      if (S_ISREG(sx.stx_mode) && files) entries[i].stamps = StampsOf(sx);
    }
    for (Entry& e : entries) {
      const char* name = names.c_str() + e.name;
      if (e.type == DT_DIR) e.mode = S_IFDIR;
      if (S_ISREG(e.mode)) {
        if (files) files(name, e.stamps);
      } else if (S_ISDIR(e.mode) && subfolders != nullptr) {
        if (check_mounts && IsVirtualMount(base + name)) continue;
        subfolders->emplace_back(name);
      }
    }
  };
  const int error = ForEachEntry(folder, follow, gather, look_and_hand_on);
  return error != 0 ? error : unlooked;
}

ThreadUse ThisThreadUse() {
  struct rusage use {};
  getrusage(RUSAGE_THREAD, &use);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return {seconds(use.ru_utime) + seconds(use.ru_stime), use.ru_nvcsw};
}

void ReturnFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

}  // namespace os
