#pragma once
// The single-file operations the results page calls, under their own names:
// each plans one file of a transfer run and carries it out.
#include <string>

#include "fs/file_transfer.h"
#include "fs/outcomes.h"

inline constexpr const char* kMoveProcedure = "Larkmere2021/08/31.Main.FSOFileMove";

// "Copy" or "Move" as a button says it, and "copied" or "moved" as a heading
// does; empty for none.
const char* TransferWord(TransferKind kind);
const char* TransferVerb(TransferKind kind);

// Copies source to destination when the source is an existing file and the
// destination folder exists; silent. On Windows a source with wildcards
// copies nothing. Why not, in the words of a box, when nothing was copied.
CopyResult CopyFileChecked(const std::string& source, const std::string& destination,
                           TransferRun& run);
// Copies with replacement; a read-only destination or the file itself stops
// it. Silent.
CopyResult FSOFileCopy(const std::string& source, const std::string& destination, TransferRun& run);
// Moves the file, replacing the destination; failures go to the failure box
// under the move's procedure path. A vanished source keeps the old
// destination; a destination that is the source itself leaves the file be.
// True when the file went (or, across file systems, is going) there.
bool FSOFileMove(const std::string& source, const std::string& destination, TransferRun& run);

// Shows a file's failure in the move procedure's box where its outcome asks
// for one; whoever hears outcomes calls it first.
void ShowBox(const FileOutcome& file, UiServices& ui);
