#include "fs/name_glob.h"

#include <string>

#include "fs/platform.h"

namespace {

// A byte that begins no well-formed character: itself, never a character.
constexpr char32_t kByte = 0x110000;

void Decode(std::string_view text, std::u32string& out) {
  out.clear();
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = byte(i);
    const int extra = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    char32_t c = lead & (0x3F >> extra);
    bool whole = extra > 0 && i + extra < text.size();
    for (int k = 1; whole && k <= extra; ++k) {
      whole = (byte(i + k) & 0xC0) == 0x80;
      c = (c << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms and surrogates are no characters either.
    whole = whole && !(extra == 2 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) &&
            !(extra == 3 && (c < 0x10000 || c > 0x10FFFF));
    if (lead < 0x80) {
      out += lead;
      ++i;
    } else if (whole) {
      out += c;
      i += extra + 1;
    } else {
      out += kByte + lead;
      ++i;
    }
  }
}

bool InClass(char32_t c, std::u32string_view name, bool fold) {
  std::string ascii;
  for (const char32_t k : name) {
    if (k >= 0x80) return false;
    ascii += static_cast<char>(k >= 'A' && k <= 'Z' ? k - 'A' + 'a' : k);
  }
  if (c >= kByte) return false;
  // Folded, a letter of either case stands for both.
  if (fold && (ascii == "upper" || ascii == "lower"))
    return os::InCharClass(c, "upper") || os::InCharClass(c, "lower");
  return os::InCharClass(c, ascii);
}

// Whether c is in the set that begins at pattern[at] ("["); next is where
// the pattern goes on. False with next at 0 when the set is never closed
// (its "[" is then a character like any other).
bool InSet(std::u32string_view p, std::size_t at, char32_t c, bool fold, std::size_t& next) {
  std::size_t i = at + 1;
  const bool negate = i < p.size() && (p[i] == '!' || p[i] == '^');
  if (negate) ++i;
  bool in = false;
  for (bool first = true; i < p.size(); first = false) {
    if (p[i] == ']' && !first) {
      next = i + 1;
      return in != negate;
    }
    if (p[i] == '[' && i + 1 < p.size() && p[i + 1] == ':') {
      const std::size_t end = p.find(U":]", i + 2);
      if (end != std::u32string_view::npos) {
        in |= InClass(c, p.substr(i + 2, end - i - 2), fold);
        i = end + 2;
        continue;
      }
    }
    if (p[i] == '\\' && i + 1 < p.size()) ++i;
    const char32_t low = p[i++];
    if (i + 1 < p.size() && p[i] == '-' && p[i + 1] != ']') {
      std::size_t h = i + 1;
      if (p[h] == '\\' && h + 1 < p.size()) ++h;
      in |= c >= low && c <= p[h];
      i = h + 1;
    } else {
      in |= c == low;
    }
  }
  next = 0;
  return false;
}

}  // namespace

Glob::Glob(std::string_view pattern, bool fold) : fold_(fold) {
  Decode(fold ? std::string_view(os::FoldCase(pattern)) : pattern, pattern_);
}

bool Glob::Matches(std::string_view name) const {
  thread_local std::u32string n;
  Decode(fold_ ? std::string_view(os::FoldCase(name)) : name, n);
  const std::u32string& p = pattern_;
  const bool fold = fold_;
  std::size_t pi = 0, ni = 0, star = std::u32string::npos, resume = 0;
  while (ni < n.size()) {
    if (pi < p.size()) {
      if (p[pi] == '*') {
        star = ++pi;
        resume = ni;
        continue;
      }
      std::size_t next = 0;
      bool ok = false;
      if (p[pi] == '?') {
        ok = true, next = pi + 1;
      } else if (p[pi] == '[' && (ok = InSet(p, pi, n[ni], fold, next), next != 0)) {
      } else {
        const std::size_t at = p[pi] == '\\' && pi + 1 < p.size() ? pi + 1 : pi;
        ok = p[at] == n[ni], next = at + 1;
      }
      if (ok) {
        pi = next, ++ni;
        continue;
      }
    }
    // A mismatch: the last "*" takes one character more, if there was one.
    if (star == std::u32string::npos) return false;
    pi = star, ni = ++resume;
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}
