#pragma once
// The one translation of a transfer's error into the words of a box.
#include <string>

// Why a file could not be written to destination from source, in the words
// of a box.
std::string WhyNot(int error, const std::string& source, const std::string& destination);
