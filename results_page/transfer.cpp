#include "results_page/transfer.h"

#include "fs/folder_walk.h"
#include "fs/path_rules.h"

TransferOutcome TransferChecked(const TransferRows& rows,
                                const std::function<std::string()>& destination,
                                const std::function<TransferKind()>& kind, FailureTrap& trap) {
  UiServices& ui = trap.ui();
  TransferOutcome outcome;
  TransferRun run(ui);
  // A row that cannot be read any more (the list went) ends the pass: one
  // box, not one per row. The row whose clash test needed them is not
  // transferred: its sources are not all known.
  bool readable = true;
  run.ProtectLater([&] {
    try {
      for (std::size_t i = 0; i < rows.count; ++i) {
        ui.Yield();
        if (rows.ticked(i)) run.Protect(std::string(rows.path(i)));
      }
    } catch (...) {
      readable = false;
      throw;
    }
  });
  // The bytes of the ticked files, when something shows how far the pass has come.
  std::vector<std::uint64_t> sizes;
  std::uint64_t total = 0, done = 0;
  if (ui.ShowsProgress()) {
    try {
      sizes.resize(rows.count);
      for (std::size_t i = 0; i < rows.count; ++i) {
        ui.Yield();
        const auto facts = rows.ticked(i) ? os::Examine(rows.path(i)) : std::nullopt;
        total += sizes[i] = facts ? facts->size : 0;
      }
    } catch (const ProgramEnding&) {
      throw;
    } catch (...) {
      sizes.clear();  // rows that cannot be read: the pass below says so, once
    }
  }
  for (std::size_t i = 0; readable && i < rows.count; ++i) {
    if (i < sizes.size()) {
      ui.TransferProgress(i, rows.count, done, total);
      done += sizes[i];
    }
    std::string source;
    if (!trap.Step(102, [&] {
          ui.Yield();
          if (rows.ticked(i)) source = rows.path(i);
        }))
      break;
    if (source.empty()) continue;
    const std::string target =
        NormalizeSlashes(destination() + os::kSeparator + FileNameOf(source));
    const TransferKind now = kind();
    if (now == TransferKind::kCopy) {
      trap.Step(108, [&] {
        run.CheckClash(source, target, now);
        std::string why;
        if (!CopyFileChecked(source, target, run, &why))
          outcome.not_copied.push_back({source, why});
      });
    } else if (now == TransferKind::kMove) {
      trap.Step(110, [&] {
        const std::string placed = run.PlaceForMove(source, target);
        if (FSOFileMove(source, placed, run) && placed != target)
          outcome.renamed.push_back(FileNameOf(source) + " \u2192 " + FileNameOf(placed));
      });
    }
  }
  trap.Step(112, [&] { run.Flush(); });
  // The moves the flushes could not complete, each under the move's own step.
  FailureTrap moves(ui, kMoveProcedure);
  for (const std::string& why : run.moves_given_up()) moves.Report(104, why);
  if (!sizes.empty()) ui.TransferProgress(rows.count, rows.count, total, total);
  const auto& given_up = run.copies_given_up();
  outcome.not_copied.insert(outcome.not_copied.end(), given_up.begin(), given_up.end());
  if (kind() != TransferKind::kMove) return outcome;
  for (std::size_t i = rows.count; i-- > 0;) {
    if (!trap.Step(116, [&] {
          ui.Yield();
          if (rows.ticked(i) && !IsExistingFile(std::string(rows.path(i))))
            outcome.gone.push_back(i);
        }))
      break;
  }
  return outcome;
}

namespace {

// A box's head, then up to five lines, then how many more there are.
std::string ListedMessage(std::string text, const std::vector<std::string>& lines) {
  constexpr std::size_t kNamed = 5;
  for (std::size_t i = 0; i < lines.size() && i < kNamed; ++i) text += "\r\n" + lines[i];
  if (lines.size() > kNamed)
    text += "\r\n... and " + std::to_string(lines.size() - kNamed) + " more";
  return text;
}

std::string HowMany(std::size_t n, const char* what) {
  return std::to_string(n) + " of the " + what + (n == 1 ? " was" : " were");
}

}  // namespace

std::string NotCopiedMessage(const std::vector<std::pair<std::string, std::string>>& sources) {
  std::vector<std::string> lines;
  for (const auto& [path, why] : sources) lines.push_back(path + ": " + why);
  return ListedMessage(HowMany(sources.size(), "ticked files") + " not copied:\r\n", lines);
}

std::string RenamedMessage(const std::vector<std::string>& renamed) {
  return ListedMessage(HowMany(renamed.size(), "moved files") +
                           " given a new name: a file of the same name was already moved "
                           "there.\r\n",
                       renamed);
}
