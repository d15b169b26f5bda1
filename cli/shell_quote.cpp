#include "cli/shell_quote.h"

#include <cstdio>

#include "fs/folder_walk.h"

namespace {

// How one character stands in a name, as ls judges it.
struct Trait {
  bool special;  // the name must be quoted
  bool plain;    // the same within double quotes as without
};

Trait TraitOf(char c, std::size_t at, std::size_t size) {
  switch (c) {
    case '{':
    case '}':  // special when alone
      return {size == 1, size == 1};
    case '#':
    case '~':  // special when first
      return {at == 0, at == 0};
    case ' ':
    case '\'':
      return {true, true};
    case '!': case '"': case '$': case '&': case '(': case ')': case '*': case ';':
    case '<': case '=': case '>': case '?': case '[': case '\\': case '^': case '`':
    case '|':
      return {true, false};
    default:
      return {false, true};
  }
}

// The byte's escape within $'...'.
std::string Escaped(unsigned char byte) {
  switch (byte) {
    case '\a': return "\\a";
    case '\b': return "\\b";
    case '\f': return "\\f";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    case '\v': return "\\v";
    default: {
      char text[8];
      std::snprintf(text, sizeof text, "\\%03o", byte);
      return text;
    }
  }
}

// The length of the character at name[at] when it is printable text; 0 when
// its bytes are to be escaped one by one.
std::size_t PrintableAt(std::string_view name, std::size_t at) {
  const unsigned char lead = static_cast<unsigned char>(name[at]);
  const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (at + n > name.size() || HasUnlistableChars(name.substr(at, n))) return 0;
  return n;
}

// Whether bash would expand the name's braces into several words: a "{"
// with a "," or ".." before a later "}" (ls leaves such a name as it is).
bool Expands(std::string_view name) {
  const std::size_t open = name.find('{');
  if (open == std::string_view::npos) return false;
  const std::size_t close = name.rfind('}');
  if (close == std::string_view::npos || close < open) return false;
  const std::string_view inside = name.substr(open + 1, close - open - 1);
  return inside.find(',') != std::string_view::npos || inside.find("..") != std::string_view::npos;
}

}  // namespace

void AppendShellQuoted(std::string& out, std::string_view name) {
  bool special = Expands(name), plain = true, quote = false, ends_escaped = false;
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t n = PrintableAt(name, at);
    ends_escaped = n == 0;
    const Trait trait = n == 0 ? Trait{true, false} : TraitOf(name[at], at, name.size());
    special |= trait.special;
    plain &= trait.plain;
    quote |= name[at] == '\'';
    at += n == 0 ? 1 : n;
  }
  if (!special) {
    out.append(name);
    return;
  }
  if (quote && plain) {
    out.append("\"").append(name).append("\"");
    return;
  }
  // In single quotes, with the bytes that are no text in $'...' runs. ls
  // carries the state of a first pass over a name with a single quote into
  // the second: such a name that ends in an escape gains '' after its
  // opening quote (where its first character is plain text; ls's own output
  // for one that begins with an escape does not read back, and is not kept).
  bool pending = quote && ends_escaped && PrintableAt(name, 0) != 0 && name[0] != '\'';
  out += '\'';
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t n = PrintableAt(name, at);
    if (n == 0) {
      if (!pending) out.append("'$'");
      pending = true;
      out.append(Escaped(static_cast<unsigned char>(name[at])));
      ++at;
      continue;
    }
    if (name[at] == '\'') {
      out.append("'\\''");
    } else {
      if (pending) out.append("''");
      out.append(name.substr(at, n));
    }
    pending = false;
    at += n;
  }
  out += '\'';
}

std::string ShellQuoted(std::string_view name) {
  std::string quoted;
  AppendShellQuoted(quoted, name);
  return quoted;
}
