#include "results_page/transfer_words.h"

#include "app/failure.h"
#include "fs/path_rules.h"

namespace {

// Why, in a box's words, before what became of the file.
std::string Reason(const TransferError& e) {
  using K = TransferError::Kind;
  const std::string &s = e.source, &d = e.path;
  const std::string folder = FolderOf(d), name = FileNameOf(d), error = DescribeError(e.code);
  switch (e.kind) {
    case K::kNone:
      return {};
    case K::kSystem:
      return error;
    case K::kSourceGone:
      return "File not found: the file is gone";
    case K::kDisconnected:
      return "Device unavailable: the drive that holds " + folder + " is no longer connected";
    case K::kFolderIsFile:
      return "Path not found: " + folder + " is a file, not a folder";
    case K::kNoFolder:
      return "Path not found: the folder " + folder + " does not exist";
    case K::kReadOnlyDrive:
      return "Permission denied: " + folder + " is on a drive that is read-only";
    case K::kNameTooLong:
      return "File name too long: " + name + " is too long for " + folder;
    case K::kDiskFull:
      return "Disk full: no room is left in " + folder;
    case K::kBadName:
      return "Bad file name: the destination does not accept the name " + name;
    case K::kSourceChanged:
      return "it changed while it was being copied";
    case K::kSourceRemoved:
      return "it was removed meanwhile";
    case K::kNotAFile:
      return "it is no longer a file: something else took its name";
    case K::kCopyDiffers:
      return "Device error: " + d + " does not read back as it was written; the drive that holds " +
             folder + " may be failing";
    case K::kClash:
      return "File already exists: " + d + " is one of the files of this transfer";
    case K::kTargetNotAFile:
      return d + " is not a file";
    case K::kTargetReadOnly:
      return d + " is read-only";
    case K::kMoveSourceGone:
      return "File not found: " + s + " is no longer there; nothing was moved";
    case K::kMoveSourceNotAFile:
      return s + " is no longer a file; nothing was moved";
    case K::kSecondNameStays:
      return s + " is another name of " + d + ", which holds it already, but it could not be " +
             "removed (" + error + ")";
    case K::kGatheredStays:
      return s + " is already gathered as " + d + ", but it could not be removed (" + error +
             "): the file is in both places";
    case K::kCannotLeaveFolder:
      return error + ": " + s + " cannot be taken out of its folder; it stays where it is";
    case K::kRemovedDuringMove:
      return s + " was removed by another program during its move; nothing was moved to " + d;
    case K::kChangedDuringMove:
      return s + " changed while it was being moved; it stays where it is";
    case K::kFolderGoneMeanwhile:
      return d + " is no longer where it was written: its folder was moved, removed or replaced " +
             "meanwhile; " + s + " stays where it is";
    case K::kReplacedMeanwhile:
    case K::kRemovedMeanwhile:
      return d + " was " + (e.kind == K::kReplacedMeanwhile ? "replaced" : "removed") +
             " by another program meanwhile; " + s + " stays where it is";
    case K::kUnreachable:
      return s + " cannot be reached (" + error + "): it may still be there, and " + d +
             " holds it as it was copied";
    case K::kRemovedCopyHolds:
      return s + " was removed by another program during its move; " + d +
             " holds it as it was copied";
    case K::kChangedCopyHolds:
      return s + " changed while it was being moved: it stays where it is, and " + d +
             " holds it as it was before the change";
    case K::kNotReadAgain:
      return s + " could not be read again to check its copy (" + error + "): it stays where " +
             "it is, and " + d + " holds it as it was copied";
    case K::kNotRemoved:
      return s + " was copied to " + d + ", but it could not be removed (" + error +
             "): the file is now in both places";
    case K::kDateLost:
      return d + " cannot keep the file's date: its file system cannot hold it";
    case K::kSaid:
      return e.detail;
  }
  return error;
}

}  // namespace

std::string Words(const TransferError& e) {
  using T = TransferError::Then;
  const std::string why = Reason(e), &s = e.source, &d = e.path;
  switch (e.then) {
    case T::kNothing:
      return why;
    case T::kSourceStays:
      return why + "; " + s + " stays where it is";
    case T::kNothingMoved:
      return why + ": nothing was moved to " + d + "; " + s + " stays where it is";
    case T::kMayNotBeOnDrive:
      return why + ": " + d + " may not be on the drive";
    case T::kNamedSourceStays:
      return why + ": " + d + " may not be on the drive; " + s + " stays where it is";
    case T::kNotCompleted:
      return why + ": " + d + " was not completed; " + s + " stays where it is";
    case T::kMayStillBeAt:
      return why + ": " + d + " may not be on the drive, and the file may still be at " + s;
  }
  return why;
}
