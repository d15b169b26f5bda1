#include "fs/folder_walk.h"


namespace {

// Code point of the UTF-8 sequence at s[i], advancing i; -1 when malformed.
long NextCodePoint(std::string_view s, std::size_t& i) {
  unsigned char c = s[i++];
  if (c < 0x80) return c;
  // F5 to FF never begin a sequence.
  int extra = c >= 0xF0 && c <= 0xF4  ? 3
              : c >= 0xE0 && c < 0xF0 ? 2
              : c >= 0xC2 && c < 0xE0 ? 1
                                      : -1;
  if (extra < 0 || i + extra > s.size()) return -1;
  long cp = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    unsigned char t = s[i++];
    if ((t & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (t & 0x3F);
  }
  static const long kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return cp;
}

}  // namespace

bool HasUnlistableChars(std::string_view name) {
  for (std::size_t i = 0; i < name.size();) {
    long cp = NextCodePoint(name, i);
    if (cp < 32 || (cp >= 127 && cp <= 159)) return true;
  }
  return false;
}

bool IsFolder(const std::string& path) { return os::IsFolder(path); }

bool IsExistingFile(const std::string& path) { return os::IsExistingFile(path); }
