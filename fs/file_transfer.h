#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "app/ui_services.h"
#include "fs/durable_batch.h"
#include "fs/name_planner.h"
#include "fs/outcomes.h"
#include "fs/platform.h"
#include "fs/transfer_error.h"
#include "fs/transfer_step.h"
#include "fs/untrusted_drives.h"

// Whether a copy was made (or is made, to be named with others): none when
// it says why not.
struct CopyResult {
  TransferError error;
  explicit operator bool() const { return !error; }
};

// One transfer of many files, a file at a time. Its names follow one set of
// rules: it never replaces a file it must keep, a ticked source of the run
// (asked at the moment it would be replaced) or a file an earlier row moved
// there (known by the names the run placed, compared as the destination
// compares names, since a FAT stick keeps neither identities across
// spellings nor times across renames). Its complete files are made durable
// in batches.
class TransferRun {
 public:
  explicit TransferRun(UiServices& ui);
  // Work still waiting is abandoned (the program is ending): files not yet
  // named vanish, and every source whose move was not completed stays.
  ~TransferRun();
  TransferRun(const TransferRun&) = delete;
  TransferRun& operator=(const TransferRun&) = delete;

  // No file already in a destination is replaced, whatever its name: each
  // newcomer takes the first free "stem (n).ext", taken so that another
  // program placing files there at the same time takes none twice.
  void KeepExisting() { names_.KeepExisting(); }
  // Every copy is checked by its bytes, as it is on a drive not trusted.
  void VerifyAll() { verify_ = true; }
  // A file whose identical copy (same size, same bytes) stands in the
  // destination under its name or a numbered one is not gathered again.
  void SkipGathered() { skip_gathered_ = true; }
  // Nothing is written: each step is told as the run would carry it out
  // now, against the disk and the steps told before it.
  void PlanOnly() { names_.PlanOnly(); }
  // A plan's destination folder (with its final separator), which the run
  // makes first.
  void PlanFolder(const std::string& folder) { names_.planned().MakeFolder(folder); }
  // Whether the file at path (as examined) is a source ticked now.
  void KeepTickedSources(NamePlanner::SourceTest test) {
    names_.KeepTickedSources(std::move(test));
  }

  // What becomes of source, bound for destination, and the name it takes:
  // destination, unless that holds a file the run must keep; then a move (or
  // a copy keeping what exists) takes the first free "stem (2).ext", and a
  // copy is refused (a clash, naming both files). Waiting work for the name
  // is completed first. A move into another folder that needs no look
  // first is planned as one rename (not looked).
  TransferStep Plan(TransferKind kind, const std::string& source, const std::string& destination);
  // The full look at a step planned without one.
  TransferStep Look(TransferStep step);
  // Carries out a step (a dry run tells it); why not, when nothing was
  // written or moved.
  CopyResult Carry(const TransferStep& step);
  // A move planned without a look, by one rename that replaces nothing;
  // false when it did not, and the step is to be looked at.
  bool RenameUnlooked(const TransferStep& step);
  // Completes the waiting work; a move that cannot be completed keeps its
  // source, and says why in the move's own failure box.
  void Flush() { batch_.Flush(); }
  // The row the calls that follow are for, until the next.
  void Row(std::size_t row) { row_ = row; }
  // The row's file was not transferred, and why (shown in a box, or not yet).
  void NotDone(TransferKind kind, const std::string& source, const std::string& destination,
               TransferError error, bool boxed);
  // Told each file's outcome once its work is complete (by Flush at the
  // latest), so that a run of millions keeps none of them.
  void TellOutcomes(std::function<void(const FileOutcome&)> tell) {
    outcomes_.Tell(std::move(tell));
  }
  void RecordLeaving(Outcomes::Leaving leaving) { outcomes_.Record(std::move(leaving)); }
  UiServices& ui() { return ui_; }

 private:
  // Where an identical copy of the step's source stands, at its name or a
  // numbered one; empty when none does (or either cannot be read). What is
  // at the name is noted in the step.
  std::string Gathered(TransferStep& step);
  // Whether a folder stands (as planned, in a dry run); the last one found
  // is not looked at again.
  bool FolderStands(const std::string& folder);
  // The run writes into folder: it stands, and this run has its turn there.
  bool EnterFolder(const std::string& folder);
  std::optional<os::FileFacts> Facts(const std::string& path) { return names_.Facts(path); }
  // 0 when a file could be named path now, else the error its naming would meet.
  int Nameable(const std::string& path);
  // Why a rename of source to d was refused.
  static TransferError RenameRefused(int error, const std::string& source, const std::string& d);
  CopyResult Execute(const TransferStep& step);
  CopyResult Pretend(const TransferStep& step);
  CopyResult Copy(const TransferStep& step);
  CopyResult Move(const TransferStep& step);
  void PassOver(const TransferStep& step);
  // A rename of source (as examined) to d is about to be made.
  void BeforeRename(const std::string& source, const os::FileFacts& file, const std::string& d);
  // A rename of source (as examined) to d is done: remembered and told.
  void RenameDone(const std::string& source, const os::FileFacts& file, const std::string& d);
  // Whether source is read again once copied: where a read may go wrong
  // unnoticed (a drive not trusted), or when every copy is checked.
  bool ReadAgain(const std::string& source);
  // Whether a copy of source to destination is checked by its bytes.
  bool Checked(const std::string& source, const std::string& destination);

  UiServices& ui_;
  os::ChunkHook between_chunks_;
  NamePlanner names_;
  Outcomes outcomes_{ui_, names_};
  UntrustedDrives untrusted_;
  DurableBatch batch_{names_, outcomes_, untrusted_, between_chunks_};
  std::size_t row_ = 0;
  bool verify_ = false;
  bool skip_gathered_ = false;
  std::string folder_stands_;  // the last folder found standing
  std::string turns_folder_;
  std::unique_ptr<os::FolderTurns> turns_;  // of turns_folder_
  // The last folder a rename went to (recorded first), and its drive.
  std::pair<std::string, std::uint64_t> renamed_into_;
  // A destination folder and a source drive no rename joins.
  std::pair<std::string, std::uint64_t> apart_;
};
