#pragma once
// Why one file of a transfer is not as asked, as data: what was met, the
// system's error number where there is one, and the paths it concerns. Its
// words are made in one place, for the window and the command line alike.
#include <string>

#include "fs/platform.h"

struct TransferError {
  enum class Kind {
    kNone,
    // What the system met, as a box words it.
    kSystem,  // code, in the runtime's words
    kSourceGone,
    kDisconnected,
    kFolderIsFile,
    kNoFolder,
    kReadOnlyDrive,
    kNameTooLong,
    kDiskFull,
    kBadName,
    // What the program found of the file or its place.
    kSourceChanged,  // while it was copied
    kSourceRemoved,  // while it was copied
    kNotAFile,
    kCopyDiffers,  // the copy does not read back as written
    kClash,        // path is one of the files of this transfer
    kTargetNotAFile,
    kTargetReadOnly,
    kMoveSourceGone,
    kMoveSourceNotAFile,
    kSecondNameStays,  // source, another name of path, could not be removed
    kGatheredStays,    // source, already gathered as path, could not be removed
    kCannotLeaveFolder,
    kRemovedDuringMove,  // nothing was moved
    kChangedDuringMove,  // nothing was moved
    kFolderGoneMeanwhile,
    kReplacedMeanwhile,
    kRemovedMeanwhile,
    kUnreachable,       // the source, once its copy was complete
    kRemovedCopyHolds,  // the source went during its move; its copy holds it
    kChangedCopyHolds,
    kNotReadAgain,
    kNotRemoved,  // the source, once its copy was complete
    kDateLost,    // a note: the file was placed without its date
    kSaid,        // words made elsewhere (a trap's, a finding's): detail
  };
  // What became of the file, said after the reason.
  enum class Then {
    kNothing,
    kSourceStays,       // the source stays where it is
    kNothingMoved,      // nothing was moved to path; the source stays
    kMayNotBeOnDrive,   // a named copy
    kNotCompleted,      // a move's copy; the source stays
    kNamedSourceStays,  // a move's copy, named: it may not be on the drive; the source stays
    kMayStillBeAt,      // a rename not flushed: the file may still be at source
  };
  Kind kind = Kind::kNone;
  int code = 0;              // the system's error number, where there is one
  std::string source, path;  // the file, and where it was to go (or went)
  Then then = Then::kNothing;
  std::string detail;  // kSaid's words
  explicit operator bool() const { return kind != Kind::kNone; }
};

// What error (a system error number, as a transfer of source to destination
// met it) says, the drive looked at where its number alone does not tell.
TransferError Classify(os::Error error, const std::string& source, const std::string& destination);
// One of the program's own findings about source and path.
inline TransferError Found(TransferError::Kind kind, const std::string& source,
                           const std::string& path, int code = 0) {
  TransferError e;
  e.kind = kind;
  e.code = code;
  e.source = source;
  e.path = path;
  return e;
}
// Words made elsewhere, carried as they are.
inline TransferError Said(std::string words) {
  TransferError e;
  e.kind = TransferError::Kind::kSaid;
  e.detail = std::move(words);
  return e;
}
// error, and what became of the file.
inline TransferError With(TransferError error, TransferError::Then then) {
  error.then = then;
  return error;
}
