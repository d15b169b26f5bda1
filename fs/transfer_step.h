#pragma once
// One file of a transfer as its plan decides it: what is done, and the one
// name the file takes. The run carries it out, or a dry run tells it.
#include <optional>
#include <string>

#include "fs/platform.h"
#include "fs/transfer_error.h"
#include "fs/transfer_kind.h"

struct TransferStep {
  enum class Action {
    kCopy,
    kMove,
    kPassOver,  // its identical copy stands at name: nothing is written (a move's source goes)
    kInPlace,   // the file is at name already
    kDropSecondName,  // name holds the file, and source is another name of it, which goes
    kRefused,         // error says what keeps it from name
  };
  TransferKind kind = TransferKind::kNone;
  Action action = Action::kRefused;
  std::string source, name;            // separators normalized
  std::optional<os::FileFacts> file;   // the source as it was looked at
  std::optional<os::FileFacts> there;  // what stood at name: the file written replaces it
  bool seen = false;                   // there holds what one look at name saw
  // False for a move by one rename that refuses to replace: the most common
  // step of a gathering needs no look first.
  bool looked = true;
  TransferError error;  // kRefused: why
};
