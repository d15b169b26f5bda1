#include "fs/file_transfer.h"

#include <algorithm>
#include <cerrno>

#include "app/failure.h"
#include "app/failure_trap.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"

namespace {

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

void MoveReplacing(const std::string& source, const std::string& destination) {
  if (!os::IsExistingFile(source)) ThrowError(ENOENT);
  if (!IsFolder(FolderOf(destination))) throw Failure("Path not found", ENOENT);
  if (int error = os::RenameOrMove(source, destination)) ThrowError(error);
}

}  // namespace

void CopyFileChecked(const std::string& source, const std::string& destination) {
  if (IsBlank(source) || IsBlank(destination)) return;
  const std::string s = NormalizeSlashes(source);
  std::string d = NormalizeSlashes(destination);
  if (s.find_first_of("*?") != std::string::npos) d = FolderOf(d);
  if (IsExistingFile(s) && IsFolder(FolderOf(d))) FSOFileCopy(s, d);
}

void FSOFileCopy(const std::string& source, const std::string& destination) {
  os::CopyFileAtomic(source, destination, true);
}

void FSOFileMove(const std::string& source, const std::string& destination, UiServices& ui) {
  FailureTrap trap(ui, kMoveProcedure);
  const std::string s = NormalizeSlashes(source);
  const std::string d = NormalizeSlashes(destination);
  bool same = false;
  // The old destination is replaced only by the rename itself, so a move
  // that cannot proceed keeps it.
  trap.Step(102, [&] {
    ui.Yield();
    same = os::IsSameFile(s, d);
  });
  if (same) return;
  trap.Step(104, [&] { MoveReplacing(s, d); });
}

void DeleteFileQuiet(const std::string& path, UiServices& ui) {
  ui.Yield();
  try {
    FSODeleteFile(path);
  } catch (const Failure&) {
  }
}

void FSODeleteFile(const std::string& path) {
  if (int error = os::RemoveFile(path)) ThrowError(error);
}
