#pragma once
// What became of each file of a transfer, told once as its work ends.
#include <cstddef>
#include <functional>
#include <string>

#include "app/ui_services.h"
#include "fs/transfer_error.h"
#include "fs/transfer_kind.h"

namespace os {
class NewFile;
}
class NamePlanner;

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
  // Why it is not as asked; none when all went well.
  TransferError error;
  // What a file placed lacks (its date); none when it has all.
  TransferError note;
  // Whether the error is told in a failure box: none, one shown already (by
  // the operation's own trap), or the move procedure's, shown by whoever
  // hears the outcome.
  enum class Box { kNone, kShown, kMove };
  Box box = Box::kNone;
  bool boxed() const { return box != Box::kNone; }
  // The file is where it was to go.
  bool Done() const { return what != kNotCopied && what != kNotMoved; }
  // A file the run copied or moved now (not one already there).
  bool Placed() const { return Done() && what != kAlreadyThere && what != kInPlace; }
};

// What a complete file at path lacks: its date, where its file system cannot
// hold it (kept false); none when it has all.
TransferError DateNote(bool kept, const std::string& path);

class Outcomes {
 public:
  Outcomes(UiServices& ui, NamePlanner& names) : ui_(ui), names_(names) {}
  // Told each file's outcome once its work is complete, so that a run of
  // millions keeps none of them.
  void Tell(std::function<void(const FileOutcome&)> tell) { tell_ = std::move(tell); }
  // Told before a move's source goes (renamed, or removed once a copy holds
  // it), with the file that holds its bytes then: a record kept of it is on
  // disk before anything can be lost. It may throw ProgramEnding to keep the
  // source, and stop the run.
  using Leaving = std::function<void(const FileOutcome& file, const std::string& holding)>;
  void Record(Leaving leaving) { leaving_ = std::move(leaving); }
  bool recording() const { return static_cast<bool>(leaving_); }
  void Leave(std::size_t row, FileOutcome::What what, const std::string& source,
             const std::string& path, const std::string& holding) {
    if (leaving_) leaving_({row, what, source, path, {}, {}, FileOutcome::Box::kNone}, holding);
  }
  void Done(std::size_t row, FileOutcome::What what, const std::string& source,
            const std::string& path, TransferError error = {},
            FileOutcome::Box box = FileOutcome::Box::kNone);
  // A copy that is complete at copied, under its row's name or a numbered one.
  void Copied(std::size_t row, const std::string& source, const os::NewFile& copied);
  void Copied(std::size_t row, const std::string& source, const std::string& copied,
              TransferError note = {});
  // A move that is complete at moved, under its row's name or a numbered one.
  void Moved(std::size_t row, const std::string& source, const std::string& moved,
             TransferError note = {}, TransferError error = {},
             FileOutcome::Box box = FileOutcome::Box::kNone);
  UiServices& ui() { return ui_; }

 private:
  UiServices& ui_;
  NamePlanner& names_;
  std::function<void(const FileOutcome&)> tell_;
  Leaving leaving_;
};
