#pragma once
#include <string>
#include <string_view>

// A glob pattern, read once and matched against many names as fnmatch
// without flags matches, by characters (UTF-8; a byte that begins no
// character stands for itself): "*" any run, "?" one character, "[...]" one
// of a set (ranges, "!" or "^" to negate, classes such as [:upper:]), "\"
// takes the next as it is. fold: whatever the case, name and pattern folded
// as names are folded everywhere.
class Glob {
 public:
  Glob(std::string_view pattern, bool fold);
  bool Matches(std::string_view name) const;

 private:
  std::u32string pattern_;
  bool fold_;
};
