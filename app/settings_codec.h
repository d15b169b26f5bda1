#pragma once
#include <string>

// Stored flags are the words True and False; numbers are read too, any
// non-zero meaning true. Other text throws a "Type mismatch" failure.
bool ParseFlag(const std::string& text);
std::string FlagText(bool value);
