#include "results_page/transfer.h"

#include <unordered_set>

#include "app/failure.h"
#include "fs/file_transfer.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"

std::vector<std::size_t> TransferChecked(const TransferRows& rows,
                                         const std::function<std::string()>& destination,
                                         const std::function<TransferKind()>& kind,
                                         FailureTrap& trap) {
  UiServices& ui = trap.ui();
  std::unordered_set<std::string> moved_to;
  for (std::size_t i = 0; i < rows.count; ++i) {
    trap.Step(102, [&] { ui.Yield(); });
    if (!rows.ticked(i)) continue;
    const std::string source(rows.path(i));
    const std::string target =
        NormalizeSlashes(destination() + os::kSeparator + FileNameOf(source));
    const TransferKind now = kind();
    if (now == TransferKind::kCopy) {
      trap.Step(108, [&] { CopyFileChecked(source, target); });
    } else if (now == TransferKind::kMove) {
      trap.Step(110, [&] {
        // Moving a second file of this name would destroy the first one.
        if (moved_to.count(target) != 0)
          throw Failure("File already exists: " + target +
                        " came from another folder in this move; " + source + " stays where it is");
        FSOFileMove(source, target, ui);
        if (!IsExistingFile(NormalizeSlashes(source))) moved_to.insert(target);
      });
    }
  }
  std::vector<std::size_t> gone;
  if (kind() != TransferKind::kMove) return gone;
  for (std::size_t i = rows.count; i-- > 0;) {
    trap.Step(116, [&] {
      ui.Yield();
      if (rows.ticked(i) && !IsExistingFile(std::string(rows.path(i)))) gone.push_back(i);
    });
  }
  return gone;
}
