#pragma once
#include <string>

#include "app/ui_services.h"

// The chosen folder without a final separator (except for the root), or
// empty when the user cancels.
std::string BrowseForFolder(UiServices& ui, const std::string& title, const std::string& initial);
