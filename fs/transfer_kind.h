#pragma once

// What a transfer does with each file: a copy, a move, or (no option chosen) neither.
enum class TransferKind { kNone, kCopy, kMove };
