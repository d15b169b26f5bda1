#pragma once
#include <string>

#include "fs/platform.h"

// Collapses doubled separators. With "\" a leading run becomes exactly two
// (network paths); with "/" every run becomes one.
std::string NormalizeSlashes(const std::string& path, char separator = os::kSeparator);
// The text after the last separator, or the whole text without one.
std::string FileNameOf(const std::string& path, char separator = os::kSeparator);
// The text up to and including the last separator, or empty without one.
std::string FolderOf(const std::string& path, char separator = os::kSeparator);
