#pragma once
#include <string>

#include "fs/platform.h"

// Collapses doubled separators. With "\" a leading run becomes exactly two
// (network paths); with "/" every run becomes one.
std::string NormalizeSlashes(const std::string& path, char separator = os::kSeparator);
// A path as a dialog gives it (C:/Data/a.txt) in the system's own spelling.
std::string NativeSpelling(std::string path);
// The text after the last separator, or the whole text without one.
std::string FileNameOf(const std::string& path, char separator = os::kSeparator);
// The text up to and including the last separator, or empty without one.
std::string FolderOf(const std::string& path, char separator = os::kSeparator);
// path with " (n)" added to its file name before the last dot, as file
// managers name a kept second file: "a (2).jpg", "archive.tar (2).gz",
// "noext (2)", ".hidden (2)" (a leading dot starts no extension).
std::string NumberedName(const std::string& path, int n, char separator = os::kSeparator);
