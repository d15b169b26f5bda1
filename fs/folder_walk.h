#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "app/ui_services.h"
#include "fs/platform.h"

inline constexpr const char* kWalkProcedure = "Pellworth2021/08/31.AddFolder.GetSubDirectories2016";

// A name the program passes over: not valid UTF-8, or holding a control character.
bool HasUnlistableChars(std::string_view name);
bool IsFolder(const std::string& path);
bool IsExistingFile(const std::string& path);

// Appends every sub-folder of the listed folders (each ending in the
// separator) breadth-first by depth; with recurse false, the first level only.
// A folder that cannot be listed for lack of permission or because it is gone
// is dropped silently.
void GetSubDirectories2016(std::vector<std::string>& folders, bool recurse, UiServices& ui);

// Calls fn for each regular file directly in folder whose name is listable
// and matches pattern ("*.*" and "*" match every name), in listing order.
void ForEachFileInFolder(const std::string& folder, const std::string& pattern,
                         const os::FileVisitor& fn);
// The names (not paths) of the files in folder, in listing order.
std::vector<std::string> GetFilesInFolder(const std::string& folder, const std::string& pattern);
