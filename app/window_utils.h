#pragma once
#include <string>

inline constexpr const char* kProductName = "Larkspur Suite";

// The application title: the product name less its last word, and less
// further words while it is longer than 40 characters.
std::string AppTitleFrom(const std::string& product_name);

// Where the optional skin file lies under the program folder.
std::string SkinFilePath(const std::string& program_folder);

// The title of boxes that name none of their own.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();
