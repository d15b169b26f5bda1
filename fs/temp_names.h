#pragma once
// The names new content has in its folder until it is complete: the
// platform's prefix, then eight random letters or digits. Only a name of
// exactly that shape is ever taken for one a killed program left.
#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace os {

inline constexpr std::string_view kTempDigits = "abcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr std::size_t kTempRandom = 8;

inline std::string ShortTempName(std::string_view prefix) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name(prefix);
  for (std::size_t i = 0; i < kTempRandom; ++i) name += kTempDigits[random() % kTempDigits.size()];
  return name;
}

inline bool IsTempName(std::string_view name, std::string_view prefix) {
  return name.size() == prefix.size() + kTempRandom && name.substr(0, prefix.size()) == prefix &&
         name.find_first_not_of(kTempDigits, prefix.size()) == std::string_view::npos;
}

}  // namespace os
