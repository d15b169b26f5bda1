#pragma once
#include <string>

#include "app/ui_services.h"

inline constexpr const char* kMoveProcedure = "Larkmere2021/08/31.Main.FSOFileMove";

// Copies source to destination when the source is an existing file and the
// destination folder exists; silent. Wildcards in the source copy nothing.
void CopyFileChecked(const std::string& source, const std::string& destination);
// Copies with replacement, atomically: the old destination stays whole until
// the new one is complete. A read-only destination or the file itself stops
// it. Silent.
void FSOFileCopy(const std::string& source, const std::string& destination);
// Moves the file, replacing the destination; failures go to the failure box
// under the move's procedure path. A vanished source keeps the old
// destination; a destination that is the source itself leaves the file be.
void FSOFileMove(const std::string& source, const std::string& destination, UiServices& ui);
// Deletes the file; silent.
void DeleteFileQuiet(const std::string& path, UiServices& ui);
// Deletes the file; failures go to the caller.
void FSODeleteFile(const std::string& path);
