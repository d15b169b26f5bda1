// What the POSIX platform layer knows of a drive: its kind, its room, the
// names and dates it holds.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>

#include "fs/platform.h"
#include "fs/posix_files.h"
#include "fs/temp_names.h"

namespace os {
namespace {

// FAT's types; and those that take Windows' names: FAT, exFAT and NTFS, or
// their FUSE servers (an exFAT or NTFS stick shows as "fuseblk").
bool IsFat(const std::string& type) {
  return type == "vfat" || type == "msdos" || type == "fuse.fusefat";
}
bool TakesWindowsNames(const std::string& type) {
  return IsFat(type) || type == "exfat" || type == "ntfs" || type == "ntfs3" || type == "fuseblk";
}

}  // namespace

bool HoldsDate(const std::string& folder, std::int64_t sec) {
  constexpr std::int64_t kFirst = 315532800, kEnd = 4354819200;  // 1980, 2108
  return (sec >= kFirst && sec < kEnd) || !TakesWindowsNames(FileSystemType(folder));
}

bool OnRemovableDrive(const std::string& folder) {
  struct stat st {};
  // FUSE, network and memory file systems have no block device: their type tells.
  if (stat(folder.c_str(), &st) != 0 || major(st.st_dev) == 0) return false;
  std::error_code error;
  const std::filesystem::path device = std::filesystem::canonical(
      "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev)),
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

std::optional<DriveLimits> LimitsOf(const std::string& folder) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  DriveLimits limits;
  // A FUSE server that keeps no count (LazyFS) says it has no blocks at all.
  limits.free =
      fs.f_blocks == 0 ? UINT64_MAX : static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
  limits.cluster = fs.f_frsize > 0 ? fs.f_frsize : 1;
  limits.read_only = (fs.f_flag & ST_RDONLY) != 0;
  if (fs.f_namemax > 0) limits.longest_name = fs.f_namemax;
  const std::string type = FileSystemType(folder);
  if (IsFat(type)) limits.largest_file = 0xffffffffu;  // sizes of 32 bits
  limits.windows_names = TakesWindowsNames(type);
  return limits;
}

bool NameFits(const DriveLimits& limits, const std::string& folder, const std::string& name) {
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
  return name.size() <= limits.longest_name && !PastPathLimit(base + name);
}

bool NameFits(const std::string& folder, const std::string& name) {
  DriveLimits limits;
  if (const long most = pathconf(folder.c_str(), _PC_NAME_MAX); most > 0)
    limits.longest_name = static_cast<std::size_t>(most);
  return NameFits(limits, folder, name);
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

bool DistinctEntries(const std::string& a, const std::string& b) {
  const auto folder_a = Examine(FolderPart(a)), folder_b = Examine(FolderPart(b));
  if (!folder_a || !folder_b) return false;
  if (!(folder_a->id == folder_b->id)) return true;
  return NamePart(a) != NamePart(b) && ListsExactly(FolderPart(a), NamePart(a)) &&
         ListsExactly(FolderPart(a), NamePart(b));
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
