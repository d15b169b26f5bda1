#include "fs/transfer_error.h"

#include <cerrno>

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

TransferError Classify(os::Error found, const std::string& source, const std::string& destination) {
  using K = TransferError::Kind;
  const std::string folder = FolderOf(destination);
  const int error = found.code();
  const auto is = [&](K kind) { return Found(kind, source, destination, error); };
  if (found == os::kSourceChanged)
    return is(os::Examine(source) ? K::kSourceChanged : K::kSourceRemoved);
  if (found == os::kNotAFile) return is(K::kNotAFile);
  if (found == os::kCopyDiffers) return is(K::kCopyDiffers);
  if (error == ENOENT && !source.empty() && !os::Examine(source)) return is(K::kSourceGone);
  if (error == ENOENT || Disconnected(error)) {
    const int state = os::FolderError(folder);
    if (Disconnected(error) || Disconnected(state)) return is(K::kDisconnected);
    if (state == ENOTDIR) return is(K::kFolderIsFile);
    if (state != 0) return is(K::kNoFolder);
  }
  if (error == EROFS) return is(K::kReadOnlyDrive);
  if (error == ENAMETOOLONG) return is(K::kNameTooLong);
  if (error == ENOSPC) return is(K::kDiskFull);
  if (error == EILSEQ) return is(K::kBadName);
  // A FUSE file system answers a name it cannot store, or a full disk, as
  // if a folder were missing, or as if making files there were not allowed.
  if (error == ENOENT || error == EINVAL ||
      ((error == EPERM || error == EACCES) && kFuseMayRefuse && os::CanWriteIn(folder))) {
    const auto drive = os::LimitsOf(folder);
    const auto file = os::Examine(source);
    if (drive && (drive->free == 0 || (file && file->size > drive->free))) return is(K::kDiskFull);
    return is(K::kBadName);
  }
  return is(K::kSystem);
}
