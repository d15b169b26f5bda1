#pragma once
#include <string_view>

// Whether name matches the glob pattern as fnmatch without flags matches it,
// by characters (UTF-8; a byte that begins no character stands for itself):
// "*" any run, "?" one character, "[...]" one of a set (ranges, "!" or "^"
// to negate, classes such as [:upper:]), "\" takes the next as it is. fold:
// whatever the case, name and pattern folded as names are folded everywhere.
bool MatchesGlob(std::string_view name, std::string_view pattern, bool fold);
