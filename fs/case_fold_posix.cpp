// Case folding of names as case-insensitive file systems (exFAT, FAT, NTFS
// through FUSE, SMB) compare them: Unicode's simple case folding, by ICU.
#include <locale.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <wctype.h>

#include "fs/platform.h"

namespace os {

std::string FoldCase(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  const auto* text = reinterpret_cast<const std::uint8_t*>(name.data());
  const auto length = static_cast<std::int32_t>(name.size());
  for (std::int32_t i = 0; i < length;) {
    if (text[i] < 0x80) {  // most names are ASCII
      out += static_cast<char>(text[i] >= 'A' && text[i] <= 'Z' ? text[i] - 'A' + 'a' : text[i]);
      ++i;
      continue;
    }
    const std::int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(text, i, length, c);
    if (c < 0) {  // bytes that are no character compare as they are
      out.append(name.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
      continue;
    }
    char folded[U8_MAX_LENGTH];
    std::int32_t n = 0;
    U8_APPEND_UNSAFE(folded, n, u_foldCase(c, U_FOLD_CASE_DEFAULT));
    out.append(folded, static_cast<std::size_t>(n));
  }
  return out;
}

bool InCharClass(char32_t c, const std::string& name) {
  // The C locale's UTF-8 tables hold Unicode's character data, whatever the
  // user's language.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  if (unicode == nullptr) return false;
  const wctype_t type = wctype_l(name.c_str(), unicode);
  return type != 0 && iswctype_l(static_cast<wint_t>(c), type, unicode);
}

}  // namespace os
