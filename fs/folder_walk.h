#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "app/ui_services.h"
#include "fs/platform.h"

// A name the program passes over: not valid UTF-8, or holding a control character.
bool HasUnlistableChars(std::string_view name);
bool IsFolder(const std::string& path);
bool IsExistingFile(const std::string& path);
