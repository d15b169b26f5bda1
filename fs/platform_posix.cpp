#include <dirent.h>
#include <fcntl.h>
#include <libmount/libmount.h>
#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>
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
  int id, parent;
  dev_t device;
  std::string point, type;
};

// The kernel's mount table, read again only when a mount or an unmount has
// changed it since (the kernel marks its file then): it is asked for every
// destination and every searched folder.
std::shared_ptr<const std::vector<Mount>> MountTable() {
  static std::mutex mutex;
  static const int watch = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  static std::shared_ptr<const std::vector<Mount>> table;
  const std::lock_guard lock(mutex);
  pollfd changed{watch, POLLPRI, 0};
  if (table && watch >= 0 && poll(&changed, 1, 0) == 1 && (changed.revents & POLLPRI) == 0)
    return table;
  auto read = std::make_shared<std::vector<Mount>>();
  libmnt_table* mounts = mnt_new_table();
  libmnt_iter* at = mnt_new_iter(MNT_ITER_FORWARD);
  libmnt_fs* fs = nullptr;
  if (mounts && at && mnt_table_parse_file(mounts, "/proc/self/mountinfo") == 0) {
    while (mnt_table_next_fs(mounts, at, &fs) == 0) {
      const char* point = mnt_fs_get_target(fs);
      const char* type = mnt_fs_get_fstype(fs);
      read->push_back({mnt_fs_get_id(fs), mnt_fs_get_parent_id(fs), mnt_fs_get_devno(fs),
                       point ? point : "", type ? type : ""});
    }
  }
  mnt_free_iter(at);
  mnt_unref_table(mounts);
  return table = std::move(read);
}

}  // namespace

std::string FileSystemType(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return {};
  for (const Mount& m : *MountTable())
    if (m.device == st.st_dev) return m.type;
  return {};
}

void RefreshMounts() {
  auto& mounts = VirtualMounts();
  mounts.clear();
  const auto table = MountTable();
  // Only the top-most mount of a point is what a listing sees: a real file
  // system mounted over an automount point (autofs) is searched.
  std::set<std::pair<std::string, int>> covered;  // (point, id) with a mount on top
  for (const Mount& m : *table) covered.insert({m.point, m.parent});
  for (const Mount& m : *table) {
    if (IsVirtualFsType(m.type) && covered.count({m.point, m.id}) == 0) mounts.insert(m.point);
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
