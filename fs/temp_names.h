#pragma once
// The names new content has in its folder until it is complete: the
// platform's prefix, sixteen random letters or digits, and the marker. No
// person names a file so by chance, so only such a name is ever taken for
// one a killed program left.
#include <cstddef>
#include <random>
#include <string>
#include <string_view>

namespace os {

// Hidden on Linux; on Windows the "~" keeps it out of every search too.
#ifdef _WIN32
inline constexpr std::string_view kTempPrefix = "~lark-";
#else
inline constexpr std::string_view kTempPrefix = ".lark-";
#endif
inline constexpr std::string_view kTempDigits = "abcdefghijklmnopqrstuvwxyz0123456789";
inline constexpr std::size_t kTempRandom = 16;
inline constexpr std::string_view kTempMarker = ".lark-part";

inline std::string ShortTempName(std::string_view prefix) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name(prefix);
  for (std::size_t i = 0; i < kTempRandom; ++i) name += kTempDigits[random() % kTempDigits.size()];
  return name.append(kTempMarker);
}

inline bool IsTempName(std::string_view name, std::string_view prefix = kTempPrefix) {
  if (name.size() != prefix.size() + kTempRandom + kTempMarker.size()) return false;
  const std::string_view random = name.substr(prefix.size(), kTempRandom);
  return name.substr(0, prefix.size()) == prefix && name.ends_with(kTempMarker) &&
         random.find_first_not_of(kTempDigits) == std::string_view::npos;
}

}  // namespace os
