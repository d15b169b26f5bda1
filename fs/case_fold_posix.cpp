// Case folding of names as case-insensitive file systems (exFAT, FAT, NTFS
// through FUSE, SMB) compare them.
#include <locale.h>
#include <wctype.h>

#include "fs/platform.h"

namespace os {

namespace {

// The next code point of text from i, or the byte itself when it starts no
// well-formed sequence (such names still compare byte for byte).
char32_t Decode(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const int extra = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
  if (extra == 0 || i + extra >= text.size()) {
    ++i;
    return lead;
  }
  char32_t c = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return lead;
    }
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  i += extra + 1;
  return c;
}

void Encode(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The C locale's UTF-8 tables hold Unicode's character data, whatever the
// user's language: a fold must not follow the language (Turkish i).
locale_t UnicodeLocale() {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return unicode;
}

}  // namespace

std::string FoldCase(std::string_view name) {
  const locale_t unicode = UnicodeLocale();
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char lead = static_cast<unsigned char>(name[i]);
    if (lead < 0x80 || unicode == nullptr) {
      out += static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead - 'A' + 'a' : lead);
      ++i;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = Decode(name, i);
    if (i == start + 1 || c == 0x130 || c == 0x131) {
      // Not a character, or the Turkish dotted capital and dotless small i,
      // which simple folding leaves as they are.
      out.append(name.substr(start, i - start));
      continue;
    }
    // Upper then lower: one form for every member of a case class (final
    // and medial sigma, the Kelvin sign and k, the long s and s).
    const auto up = towupper_l(static_cast<wint_t>(c), unicode);
    Encode(static_cast<char32_t>(towlower_l(up, unicode)), out);
  }
  return out;
}

bool InCharClass(char32_t c, const std::string& name) {
  const locale_t unicode = UnicodeLocale();
  if (unicode == nullptr) return false;
  const wctype_t type = wctype_l(name.c_str(), unicode);
  return type != 0 && iswctype_l(static_cast<wint_t>(c), type, unicode);
}

}  // namespace os
