#pragma once
// Complete files of a transfer that are made durable together, so that their
// flushes are few. A replacement is on disk before it takes the old file's
// place; a moved file's source is removed only once the destination is
// complete under its name and on disk, and the source still what was copied;
// where a file system's own flush is not trusted, every new file is on disk,
// and reads back as written, before it has its name.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fs/name_planner.h"
#include "fs/outcomes.h"
#include "fs/platform.h"
#include "fs/untrusted_drives.h"

// Names a complete new file as the run's naming decides: another name in its
// folder first, when the name it was written for is not to be.
inline NamePlanner::NameIt Publishing(os::NewFile& file) {
  return [&file](const std::string& name, bool replace) {
    if (name != file.destination()) file.Retarget(name);
    return file.Publish(replace);
  };
}

class DurableBatch {
 public:
  // Where a file of the batch stands.
  enum class State {
    kWritten,  // complete under a temporary name: to be flushed, then named
    kNamed,    // under its name: a move's source goes (a copy is told done) once that is on disk
    kEnded,    // its outcome told
  };
  struct Work {
    std::unique_ptr<os::NewFile> file;
    std::string source;
    bool move;
    bool replace;  // a file stood at the name when it was looked at
    std::size_t row;
    State state;
  };

  DurableBatch(NamePlanner& names, Outcomes& outcomes, UntrustedDrives& untrusted,
               const os::ChunkHook& between_chunks)
      : names_(names),
        outcomes_(outcomes),
        untrusted_(untrusted),
        between_chunks_(between_chunks) {}
  // Work still waiting is abandoned (the program is ending): files not yet
  // named vanish, and every source whose move was not completed stays.
  ~DurableBatch() = default;

  // Takes a complete file (its name promised until then, when written); the
  // batch is flushed once it is full.
  void Add(Work work);
  // Makes every file of the batch durable, names it, and tells its outcome;
  // a move that cannot be completed keeps its source, and says why in the
  // move's own failure box.
  void Flush();
  // A file renamed into a folder of a drive whose flush is not trusted: told
  // moved (with note, all being well) once the folder's names are on disk.
  void Renamed(std::size_t row, const std::string& source, const std::string& path,
               TransferError note);

 private:
  // Whether the content (with content) and the names of the work not ended
  // are on disk; if not, each such work is given up.
  bool SyncAll(bool content);
  // Names each written file as it must be named now; true when one is to
  // wait for its name to be on disk (a move, or a copy on a drive not trusted).
  bool NameWritten();
  // Tells a named copy done, and removes a named move's source once all is
  // well, or says what is not.
  void Complete(Work& work);
  void GiveUp(Work& work, TransferError why);
  // None when a work's source (now as examined) is still what was copied,
  // else kSourceChanged or the system's error.
  os::Error SinceCopied(const Work& work, const os::FileFacts& now);

  NamePlanner& names_;
  Outcomes& outcomes_;
  UntrustedDrives& untrusted_;
  const os::ChunkHook& between_chunks_;
  std::vector<Work> work_;
  std::uint64_t bytes_ = 0;
  // The sources of moves completed in this flush, by identity: where each went.
  std::unordered_map<os::FileId, std::string, NamePlanner::IdHash> moved_away_;
  struct Rename {
    std::size_t row;
    std::string source, path;
    TransferError note;
  };
  std::vector<Rename> renamed_;  // their names are not yet on disk
};
