#include "results_page/transfer.h"

#include "fs/folder_walk.h"
#include "fs/path_rules.h"

std::vector<std::size_t> TransferChecked(const TransferRows& rows,
                                         const std::function<std::string()>& destination,
                                         const std::function<TransferKind()>& kind,
                                         FailureTrap& trap) {
  UiServices& ui = trap.ui();
  TransferRun run(ui);
  trap.Step(100, [&] {
    for (std::size_t i = 0; i < rows.count; ++i) {
      ui.Yield();
      if (rows.ticked(i)) run.Protect(std::string(rows.path(i)));
    }
  });
  for (std::size_t i = 0; i < rows.count; ++i) {
    trap.Step(102, [&] { ui.Yield(); });
    if (!rows.ticked(i)) continue;
    const std::string source(rows.path(i));
    const std::string target =
        NormalizeSlashes(destination() + os::kSeparator + FileNameOf(source));
    const TransferKind now = kind();
    if (now == TransferKind::kCopy) {
      trap.Step(108, [&] {
        run.CheckClash(source, target, now);
        CopyFileChecked(source, target, run);
      });
    } else if (now == TransferKind::kMove) {
      trap.Step(110, [&] {
        run.CheckClash(source, target, now);
        FSOFileMove(source, target, run);
      });
    }
  }
  trap.Step(112, [&] { run.Flush(); });
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
