#include "fs/why_not.h"

#include <cerrno>

#include "app/failure.h"
#include "fs/path_rules.h"
#include "fs/platform.h"

namespace {

// Errors that say the drive itself went away (a network drive dropped, a
// FUSE file system whose program ended).
bool Disconnected(int error) {
  switch (error) {
    case ENOTCONN:
    case ECONNABORTED:
    case ECONNRESET:
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTUNREACH:
#ifdef ESTALE
    case ESTALE:
#endif
      return true;
    default:
      return false;
  }
}

// Windows refuses a name it cannot store as a bad name, never as a
// permission: only a FUSE server answers one so.
#ifdef _WIN32
constexpr bool kFuseMayRefuse = false;
#else
constexpr bool kFuseMayRefuse = true;
#endif

}  // namespace

std::string WhyNot(int error, const std::string& source, const std::string& destination) {
  const std::string folder = FolderOf(destination), name = FileNameOf(destination);
  if (error == os::kSourceChanged)
    return os::Examine(source) ? "it changed while it was being copied"
                               : "it was removed meanwhile";
  if (error == os::kNotAFile) return "it is no longer a file: something else took its name";
  if (error == os::kCopyDiffers)
    return "Device error: " + destination + " does not read back as it was written; the drive " +
           "that holds " + folder + " may be failing";
  if (error == ENOENT && !source.empty() && !os::Examine(source))
    return "File not found: the file is gone";
  if (error == ENOENT || Disconnected(error)) {
    const int state = os::FolderError(folder);
    if (Disconnected(error) || Disconnected(state))
      return "Device unavailable: the drive that holds " + folder + " is no longer connected";
    if (state == ENOTDIR) return "Path not found: " + folder + " is a file, not a folder";
    if (state != 0) return "Path not found: the folder " + folder + " does not exist";
  }
  if (error == EROFS) return "Permission denied: " + folder + " is on a drive that is read-only";
  if (error == ENAMETOOLONG) return "File name too long: " + name + " is too long for " + folder;
  if (error == ENOSPC) return "Disk full: no room is left in " + folder;
  if (error == EILSEQ) return "Bad file name: the destination does not accept the name " + name;
  // A FUSE file system answers a name it cannot store, or a full disk, as
  // if a folder were missing, or as if making files there were not allowed.
  if (error == ENOENT || error == EINVAL ||
      ((error == EPERM || error == EACCES) && kFuseMayRefuse && os::CanWriteIn(folder))) {
    const auto drive = os::LimitsOf(folder);
    const auto file = os::Examine(source);
    if (drive && (drive->free == 0 || (file && file->size > drive->free)))
      return "Disk full: no room is left in " + folder;
    return "Bad file name: the destination does not accept the name " + name;
  }
  return DescribeError(error);
}
