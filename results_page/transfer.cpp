#include "results_page/transfer.h"

#include <algorithm>

#include "app/failure.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#include "results_page/preflight.h"
#include "results_page/transfer_words.h"

namespace {

// The rows by a hash of their folded file names, made when a destination
// first holds a file: only then can a source be at risk, and a transfer into
// an empty folder never looks at its rows twice. Whether a row is ticked is
// asked when a file would be replaced, from the ticks as they are then.
class TickedSources {
 public:
  TickedSources(const TransferRows& rows, UiServices& ui) : rows_(rows), ui_(ui) {}
  bool operator()(const std::string& path, const os::FileFacts& facts) {
    if (!indexed_) Index();
    const std::string folded = os::FoldCase(path);
    const std::size_t name = NameHash(path);
    auto it = std::lower_bound(by_name_.begin(), by_name_.end(), std::pair{name, std::size_t{0}});
    for (; it != by_name_.end() && it->first == name; ++it) {
      if (!rows_.ticked(it->second)) continue;
      const std::string source = NormalizeSlashes(rows_.path(it->second));
      if (os::FoldCase(source) == folded) return true;
      const auto there = os::Examine(source);
      if (there && there->id == facts.id) return true;
    }
    return false;
  }

 private:
  static std::size_t NameHash(const std::string& path) {
    return std::hash<std::string>{}(os::FoldCase(FileNameOf(path)));
  }
  void Index() {
    by_name_.reserve(rows_.count);
    for (std::size_t i = 0; i < rows_.count; ++i) {
      ui_.Yield();
      by_name_.emplace_back(NameHash(rows_.path(i)), i);
    }
    std::sort(by_name_.begin(), by_name_.end());
    indexed_ = true;
  }
  const TransferRows& rows_;
  UiServices& ui_;
  bool indexed_ = false;
  std::vector<std::pair<std::size_t, std::size_t>> by_name_;
};

}  // namespace

TransferOutcome TransferChecked(const TransferRows& rows,
                                const std::function<std::string()>& destination,
                                const std::function<TransferKind()>& kind, FailureTrap& trap,
                                const TransferOptions& options) {
  UiServices& ui = trap.ui();
  TransferOutcome outcome;
  TransferRun run(ui);
  const auto& tell = options.tell;
  // The rows told moved: their sources are gone, and need no look at the end.
  std::vector<bool> moved(rows.count);
  run.TellOutcomes([&](const FileOutcome& file) {
    ShowBox(file, ui);
    moved[file.row] = file.what == FileOutcome::kMoved || file.what == FileOutcome::kMovedRenamed;
    if (tell)
      tell(file);
    else if (file.what == FileOutcome::kMovedRenamed)
      outcome.renamed.push_back(FileNameOf(file.source) + " \u2192 " + FileNameOf(file.path));
    else if (file.what == FileOutcome::kNotCopied && !file.boxed())
      outcome.not_copied.push_back({file.source, Words(file.error)});
    else if (file.what == FileOutcome::kInPlace)
      outcome.in_place.push_back(file.source);
    if (!tell && file.Done() && file.note) outcome.incomplete.push_back(Words(file.note));
  });
  if (options.leaving) run.RecordLeaving(options.leaving);
  if (options.keep_existing) run.KeepExisting();
  if (options.verify) run.VerifyAll();
  if (options.skip_gathered) run.SkipGathered();
  if (options.plan_only) run.PlanOnly();
  if (options.plan_only && options.folder_to_make)
    run.PlanFolder(NormalizeSlashes(destination() + os::kSeparator));
  run.KeepTickedSources(TickedSources(rows, ui));
  Preflight pre;
  trap.Step(102, [&] { pre = CheckBeforeWriting(rows, destination(), kind(), options, ui); });
  if (pre.Found() && options.found) options.found(pre);
  if ((outcome.stopped = pre.whole.has_value())) return outcome;
  const std::vector<std::uint64_t>& sizes = pre.sizes;
  const std::uint64_t total = pre.total;
  std::uint64_t done = 0;
  for (std::size_t i = 0; i < rows.count; ++i) {
    if (i < sizes.size()) {
      ui.TransferProgress(i, rows.count, done, total);
      done += sizes[i];
    }
    std::string source;
    run.Row(i);
    trap.Step(102, [&] {
      ui.Yield();
      if (rows.ticked(i)) source = rows.path(i);
    });
    if (source.empty()) continue;
    const std::string target =
        NormalizeSlashes(destination() + os::kSeparator + FileNameOf(source));
    const TransferKind now = kind();
    if (const Finding* found = pre.For(i)) {  // shown before the first byte
      run.NotDone(now, source, target, Said(FindingText(*found, destination(), now)), true);
    } else if (now == TransferKind::kCopy) {
      // A file of this transfer at the name: the copy's own box says so.
      TransferError clash;
      if (!trap.Step(108, [&] {
            const CopyResult copy = CopyFileChecked(source, target, run);
            if (copy.error.kind == TransferError::Kind::kClash) clash = copy.error;
            if (clash) throw Failure(Words(clash), clash.code);
            if (!copy) run.NotDone(now, source, target, copy.error, false);
          }))
        run.NotDone(now, source, target, clash ? clash : Said(trap.last()), true);
    } else if (now == TransferKind::kMove) {
      trap.Step(110, [&] { FSOFileMove(source, target, run); });
    }
  }
  trap.Step(112, [&] { run.Flush(); });
  if (!sizes.empty()) ui.TransferProgress(rows.count, rows.count, total, total);
  if (kind() != TransferKind::kMove) return outcome;
  for (std::size_t i = rows.count; i-- > 0;) {
    trap.Step(116, [&] {
      ui.Yield();
      if (rows.ticked(i) && (moved[i] || !IsExistingFile(std::string(rows.path(i)))))
        outcome.gone.push_back(i);
    });
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

std::string IncompleteMessage(const std::vector<std::string>& incomplete) {
  return ListedMessage(HowMany(incomplete.size(), "files") + " transferred without a date:\r\n",
                       incomplete);
}

std::string InPlaceMessage(const std::vector<std::string>& in_place) {
  return ListedMessage(HowMany(in_place.size(), "ticked files") +
                           " already in the destination folder, so nothing was done:\r\n",
                       in_place);
}

std::string PreflightMessage(const Preflight& preflight, const std::string& destination,
                             TransferKind kind) {
  if (preflight.whole) return FindingText(*preflight.whole, destination, kind) + ".";
  std::vector<std::string> lines;
  for (const Finding& file : preflight.files) lines.push_back(FindingText(file, destination, kind));
  return ListedMessage(HowMany(lines.size(), "ticked files") + " not " + TransferVerb(kind) + ": " +
                           destination + " cannot take them.\r\n",
                       lines);
}

std::string RenamedMessage(const std::vector<std::string>& renamed) {
  return ListedMessage(HowMany(renamed.size(), "moved files") +
                           " given a new name: a file of the same name was already moved "
                           "there.\r\n",
                       renamed);
}
