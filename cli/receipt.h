#pragma once
// A run's receipt: one JSON line for each file it placed or removed, on disk
// before the next file's line, so that --undo can take back what a run did,
// even one that was killed.
//
// Each line: {"action": "copy"|"move"|"remove", "source": S, "destination":
// D, "size": bytes, "modified": "YYYY-MM-DDThh:mm:ss.nnnnnnnnnZ" (UTC),
// "xxh3_128": 32 hex digits of the content's XXH3-128}. "remove" is a move's
// source removed because its identical copy stood at D already. S and D are
// absolute; a name that is valid UTF-8 is a JSON string, any other is
// {"hex": its bytes, two hex digits each}, so every name comes back exactly.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/gather.h"
#include "cli/console_ui.h"

class Receipt {
 public:
  // The receipt at path, lines added after any it holds; none, with why,
  // when it cannot be opened.
  static std::unique_ptr<Receipt> Open(const std::string& path, std::string& why);
  ~Receipt();
  Receipt(const Receipt&) = delete;
  Receipt& operator=(const Receipt&) = delete;
  // Adds the line of what kind did with file, whose bytes holding holds
  // now, on disk before it returns; why not, empty when it was written.
  std::string Add(const FileOutcome& file, TransferKind kind, const std::string& holding);

 private:
  explicit Receipt(std::FILE* file) : file_(file) {}
  std::FILE* file_;
};

// Takes back what the receipt at path says was done, the last first: a
// moved file is moved back and a removed source copied back, where nothing
// stands at its place now; a copy is removed while its source still holds
// its bytes. Only a file whose bytes are still those of the receipt is
// touched. Each file taken back is a line on out; each that is not, its
// reason on ui's stream.
ExitCode Undo(const std::string& path, ConsoleUi& ui, std::FILE* out);
