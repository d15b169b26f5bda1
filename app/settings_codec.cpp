#include "app/settings_codec.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "app/failure.h"

bool ParseFlag(const std::string& text) {
  std::string t = text;
  t.erase(0, t.find_first_not_of(' '));
  t.erase(t.find_last_not_of(' ') + 1);
  std::string lower = t;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "true") return true;
  if (lower == "false") return false;
  // Decimal numbers only: no leading tab, no NaN, infinity or hex, which
  // strtod would take but the runtime's conversion does not.
  const bool decimal = !t.empty() && t.find_first_not_of("0123456789+-.eE") == std::string::npos &&
                       std::string_view("0123456789+-.").find(t[0]) != std::string_view::npos;
  if (decimal) {
    char* end = nullptr;
    double number = std::strtod(t.c_str(), &end);
    if (end == t.c_str() + t.size()) return number != 0;
  }
  throw Failure("Type mismatch");
}

std::string FlagText(bool value) { return value ? "True" : "False"; }
