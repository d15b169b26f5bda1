#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/ui_services.h"
#include "fs/planned_names.h"
#include "fs/platform.h"
#include "fs/untrusted_drives.h"

inline constexpr const char* kMoveProcedure = "Larkmere2021/08/31.Main.FSOFileMove";

enum class TransferKind { kNone, kCopy, kMove };

// What became of one ticked file, and why when it was not done as asked.
struct FileOutcome {
  enum What {
    kCopied,
    kCopiedRenamed,
    kMoved,
    kMovedRenamed,
    kKeptBoth,
    kNotCopied,
    kNotMoved,
    kAlreadyThere,  // an identical copy stood at path: nothing copied (a move's source went)
    kInPlace,       // the file is at path, its own destination: nothing to do
  };
  std::size_t row;
  What what;
  std::string source;
  std::string path;  // where the file is now, or would have gone
  // The sentence; empty when all went as asked. A file transferred with one
  // lacks what it says (its date).
  std::string why;
  bool boxed;        // the sentence was shown in a failure box
  // The file is where it was to go.
  bool Done() const { return what != kNotCopied && what != kNotMoved; }
  // A file the run copied or moved now (not one already there).
  bool Placed() const { return Done() && what != kAlreadyThere && what != kInPlace; }
};

// "Copy" or "Move" as a button says it, and "copied" or "moved" as a heading
// does; empty for none.
const char* TransferWord(TransferKind kind);
const char* TransferVerb(TransferKind kind);

// Whether a copy was made (or is made, to be named with others): none when
// it says why not, the sentence of the row's outcome.
struct CopyResult {
  std::string why;
  explicit operator bool() const { return why.empty(); }
};

// One transfer of many files. It never replaces a file it must keep: a
// ticked source of the run (asked at the moment it would be replaced), or a
// file an earlier row moved there (known by the names the run placed,
// compared as the destination compares names, since a FAT stick keeps
// neither identities across spellings nor times across renames). It makes
// its work durable: a replacement is on disk before it takes the old file's
// place, a moved file's source is removed only once the destination is
// complete under its name and on disk, and where a file system's own flush
// is not trusted every new file is on disk before it has its name.
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
  void KeepExisting() { keep_existing_ = true; }
  // Every copy is checked by its bytes, as it is on a drive not trusted.
  void VerifyAll() { verify_ = true; }
  // A file whose identical copy (same size, same bytes) stands in the
  // destination under its name or a numbered one is not gathered again.
  void SkipGathered() { skip_gathered_ = true; }
  // Whether source, bound for destination, is gathered there already (then
  // its outcome is told, and a move's source is removed once that is sure).
  bool AlreadyGathered(TransferKind kind, const std::string& source,
                       const std::string& destination);
  // Nothing is written: each outcome says what the run would do now, every
  // name decided by the same rules, against the disk and the names planned.
  void PlanOnly() { plan_ = true; }
  // What is at path: as planned, or else on disk.
  std::optional<os::FileFacts> Facts(const std::string& path);
  // Whether the file at path (as examined) is a source ticked now.
  using SourceTest = std::function<bool(const std::string& path, const os::FileFacts& facts)>;
  void KeepTickedSources(SourceTest test) { ticked_source_ = std::move(test); }
  // Throws a Failure that names both files when destination holds a file
  // the run must keep. Waiting work for the same name is completed first.
  void CheckClash(const std::string& source, const std::string& destination, TransferKind kind);
  // Where a move of source puts its file: destination, unless that holds a
  // file the run must keep; then the first free "stem (2).ext", "stem
  // (3).ext" and so on.
  std::string PlaceForMove(const std::string& source, const std::string& destination);
  // Where a copy puts its file: as a move does when keeping what exists;
  // else destination, once CheckClash let it.
  std::string PlaceForCopy(const std::string& source, const std::string& destination);
  // Copies with replacement; its sentence when nothing was copied (a
  // read-only or unreadable destination, a source that cannot be read). Silent.
  CopyResult Copy(const std::string& source, const std::string& destination);
  // Moves the file source (as examined) to destination (what is there now),
  // replacing it unless it became a file to keep meanwhile; throws on failure.
  void Move(const std::string& source, const os::FileFacts& file, const std::string& destination,
            const std::optional<os::FileFacts>& there);
  // What is at a destination, and whether it is the source itself (another
  // spelling of its name, or a link to it).
  struct Destination {
    std::optional<os::FileFacts> facts;
    bool is_source;
  };
  // As the clash test just saw it, or looked at afresh.
  Destination Look(const std::string& source, const std::string& destination);
  // Whether folder is one. The last folder found is not looked at again: a
  // folder that went since makes the new file's creation fail all the same.
  bool IsDestinationFolder(const std::string& folder);
  // Completes the waiting work; a move that cannot be completed keeps its
  // source, and says why in the move's own failure box.
  void Flush();
  // The row the calls that follow are for, until the next.
  void Row(std::size_t row) { row_ = row; }
  // The row's file is where it was to go.
  void Done(FileOutcome::What what, const std::string& source, const std::string& path) {
    Done(row_, what, source, path);
  }
  // The row's file was not transferred, and why (shown in a box, or not yet).
  void NotDone(TransferKind kind, const std::string& source, const std::string& destination,
               const std::string& why, bool boxed);
  // Told each file's outcome once its work is complete (by Flush at the
  // latest), so that a run of millions keeps none of them.
  void TellOutcomes(std::function<void(const FileOutcome&)> tell) { tell_ = std::move(tell); }
  UiServices& ui() { return ui_; }

 private:
  enum class Guard { kMoved, kCopied };
  struct Work {
    std::unique_ptr<os::NewFile> file;
    std::string source;
    bool move;
    bool replace;  // the file there when it was looked at
    std::size_t row;
  };
  struct IdHash {
    std::size_t operator()(const os::FileId& id) const {
      return std::hash<std::uint64_t>{}(id.index ^ (id.volume * 0x9e3779b97f4a7c15u));
    }
  };
  void Remember(const std::string& path, const os::FileFacts& facts, Guard guard);
  // Whether d (normalized, as s) holds a file the run must keep; waiting work
  // for that name is completed first, and what d holds is noted for the move
  // or copy that follows.
  bool HoldsKept(const std::string& s, const std::string& d, TransferKind kind);
  Destination LookAfresh(const std::string& source, const std::string& destination);
  // 0 when a file could be named path now, else the error its naming would meet.
  int Nameable(const std::string& path);
  // Moves (renames) source to destination, or plans it.
  int Rename(const std::string& source, const std::string& destination, bool replace,
             const os::FileFacts& file);
  // A planned copy: the same checks as Copy's, and the name taken.
  CopyResult PlanCopy(const std::string& source, const std::string& destination);
  bool MustKeep(const std::string& path, const os::FileFacts& facts, TransferKind kind);
  // The first "stem (n).ext" of d where nothing is.
  std::string FreeName(const std::string& d);
  // The next free numbered name of the one its row gave taken (a name the
  // row's file cannot have), noted as a renaming.
  std::string NextName(const std::string& taken);
  // Whether placed is a numbered name; it is forgotten as one.
  bool Renamed(const std::string& placed);
  void Done(std::size_t row, FileOutcome::What what, const std::string& source,
            const std::string& path, std::string why = {}, bool boxed = false);
  // A copy that is complete at copied, under its row's name or a numbered one.
  void Copied(std::size_t row, const std::string& source, const os::NewFile& copied);
  // A move that is complete at moved, under its row's name or a numbered one.
  void Moved(std::size_t row, const std::string& source, const std::string& moved,
             std::string why = {}, bool boxed = false);
  // Whether a copy of source to destination is checked by its bytes.
  bool Checked(const std::string& source, const std::string& destination);
  // 0 when a checked work's source still holds what was copied, else
  // kSourceChanged or an error number.
  int Reread(const Work& work);
  // 0 when a work's source (now as examined) is still what was copied, else
  // kSourceChanged or an error number.
  int SinceCopied(const Work& work, const os::FileFacts& now);
  void Enqueue(Work work, bool named);
  // Names the complete files that wait, each as it must be named then.
  void NameWaiting();
  // Waiting content (with content) and the names made are on disk.
  bool SyncAll(bool content);
  void GiveUp(const Work& work, const std::string& why);
  // A move's failure found once its work waited, in the move's own box.
  void ReportMove(const std::string& what);
  // Removes a named move's source once all is well, or says what is not.
  void Complete(const Work& work);

  UiServices& ui_;
  os::ChunkHook between_chunks_;
  SourceTest ticked_source_;
  // What this run placed, by hashes of the path as written and case-folded
  // (kept small, for millions of files), and by identity where the file
  // system keeps it. A collision can only make the run keep a file.
  std::unordered_map<std::size_t, Guard> placed_exact_, placed_folded_;
  std::unordered_map<os::FileId, Guard, IdHash> placed_ids_;
  // Complete, waiting for its name: to take an old file's place, or where
  // the file system's flush is not trusted.
  std::vector<Work> replacing_;
  std::vector<Work> named_;  // moved, the source waiting for removal
  // The sources of named_ removed so far, by identity: where each went.
  std::unordered_map<os::FileId, std::string, IdHash> moved_away_;
  std::unordered_set<std::string> replacing_names_;
  std::unordered_map<std::string, std::string> wanted_;  // numbered name: the row's name
  std::uint64_t waiting_bytes_ = 0;
  std::function<void(const FileOutcome&)> tell_;
  std::size_t row_ = 0;
  bool keep_existing_ = false;
  bool verify_ = false;
  bool skip_gathered_ = false;
  bool plan_ = false;
  PlannedNames planned_;
  std::pair<std::string, Destination> looked_;
  // The next number to try for a name that was taken, by folded path: many
  // files of one name are placed without trying every number again.
  std::unordered_map<std::string, int> next_number_;
  std::string last_folder_;
  std::unique_ptr<os::FolderTurns> turns_;  // of last_folder_
  UntrustedDrives untrusted_;
  std::set<std::string> unsynced_folders_;  // names made there are not yet on disk
};

// Copies source to destination when the source is an existing file and the
// destination folder exists; silent. On Windows a source with wildcards
// copies nothing. Why not, in the words of a box, when nothing was copied.
CopyResult CopyFileChecked(const std::string& source, const std::string& destination,
                           TransferRun& run);
// Copies with replacement; a read-only destination or the file itself stops
// it. Silent.
CopyResult FSOFileCopy(const std::string& source, const std::string& destination,
                       TransferRun& run);
// Why a file could not be written to destination from source, in the words
// of a box.
std::string WhyNot(int error, const std::string& source, const std::string& destination);
// Moves the file, replacing the destination; failures go to the failure box
// under the move's procedure path. A vanished source keeps the old
// destination; a destination that is the source itself leaves the file be.
// True when the file went (or, across file systems, is going) there.
bool FSOFileMove(const std::string& source, const std::string& destination, TransferRun& run);

