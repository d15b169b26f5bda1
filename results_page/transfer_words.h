#pragma once
// The words of a transfer's errors, for the window's boxes and the command
// line's lines alike.
#include <string>

#include "fs/transfer_error.h"

std::string Words(const TransferError& error);
