#include "results_page/single_file.h"

#include <algorithm>
#include <cerrno>

#include "app/failure.h"
#include "app/failure_trap.h"
#include "fs/path_rules.h"
#include "results_page/transfer_words.h"

namespace {

#ifdef _WIN32
constexpr const char* kWildcards = "*?";
#else
constexpr const char* kWildcards = "";  // "?" and "*" are ordinary in Linux names
#endif

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

}  // namespace

CopyResult CopyFileChecked(const std::string& source, const std::string& destination,
                           TransferRun& run) {
  if (IsBlank(source) || IsBlank(destination)) return {Said("Bad file name")};
  // No file's name on Windows holds a wildcard. Whether the source is a file
  // is told by the copy's own opening of it.
  if (NormalizeSlashes(source).find_first_of(kWildcards) != std::string::npos)
    return {Found(TransferError::Kind::kSourceGone, source, destination, ENOENT)};
  return FSOFileCopy(source, destination, run);
}

CopyResult FSOFileCopy(const std::string& source, const std::string& destination,
                       TransferRun& run) {
  return run.Carry(run.Plan(TransferKind::kCopy, source, destination));
}

bool FSOFileMove(const std::string& source, const std::string& destination, TransferRun& run) {
  UiServices& ui = run.ui();
  FailureTrap trap(ui, kMoveProcedure);
  TransferStep step;
  // The old destination is replaced only by the move itself, so a move that
  // cannot proceed keeps it.
  bool moved = false;
  const bool planned = trap.Step(102, [&] {
    step = run.Plan(TransferKind::kMove, source, destination);
    if (step.looked || (moved = run.RenameUnlooked(step))) return;
    ui.Yield();
    step = run.Look(std::move(step));
  });
  if (moved) return true;
  TransferError why;
  if (planned)
    moved = trap.Step(104, [&] {
      if ((why = run.Carry(step).error)) throw Failure(Words(why), why.code);
    });
  if (!moved)
    run.NotDone(TransferKind::kMove, NormalizeSlashes(source),
                step.name.empty() ? NormalizeSlashes(destination) : step.name,
                why ? why : Said(trap.last()), true);
  return moved && step.action == TransferStep::Action::kMove;
}

const char* TransferWord(TransferKind kind) {
  return kind == TransferKind::kCopy ? "Copy" : kind == TransferKind::kMove ? "Move" : "";
}

const char* TransferVerb(TransferKind kind) {
  return kind == TransferKind::kCopy ? "copied" : kind == TransferKind::kMove ? "moved" : "";
}

void ShowBox(const FileOutcome& file, UiServices& ui) {
  if (file.box == FileOutcome::Box::kMove)
    FailureTrap(ui, kMoveProcedure).Report(104, Words(file.error));
}
