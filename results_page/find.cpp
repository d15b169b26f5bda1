#include "results_page/find.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "setup_page/search_launch.h"

bool InRange(RangeKind kind, long d1, long d2) {
  switch (kind) {
    case RangeKind::kAfter:
      return d1 > 0;
    case RangeKind::kBefore:
      return d1 < 0;
    case RangeKind::kOn:
      return d1 == 0;
    case RangeKind::kBetween:
      return d1 >= 0 && d2 <= 0;
    case RangeKind::kNone:
      return false;
  }
  return false;
}

bool DateInRange(RangeKind kind, const std::optional<DateValue>& date, long first_day,
                 long second_day) {
  if (!date) return false;
  const long day = DayNumber(*date);
  return InRange(kind, day - first_day, day - second_day);
}

std::vector<std::uint32_t> FindInRange(const DateList& dates, RangeKind kind,
                                       const std::function<long()>& first_day,
                                       const std::function<long()>& second_day, UiServices& ui) {
  std::vector<std::uint32_t> rows;
  if (kind == RangeKind::kNone) return rows;
  // Room for all at once: pages never written are never resident, and a
  // list of millions is never copied to grow.
  rows.reserve(dates.size());
  const bool two = kind == RangeKind::kBetween;
  long day1 = first_day();
  long day2 = two ? second_day() : 0;
  const std::size_t count = dates.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (ui.Yield()) {
      day1 = first_day();
      if (two) day2 = second_day();
    }
    // The candidates may have been emptied while the window had its events.
    if (i >= dates.size()) break;
    if (DateInRange(kind, dates[i], day1, day2)) rows.push_back(static_cast<std::uint32_t>(i));
  }
  return rows;
}

namespace {

// Names compare exactly on Linux, without regard to case on Windows.
#ifdef _WIN32
constexpr bool kNamesDistinctInFolder = false;  // a folder may be case-sensitive
char Fold(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
#else
constexpr bool kNamesDistinctInFolder = true;
char Fold(char c) { return c; }
#endif

std::size_t HashName(std::string_view name) {
  std::size_t h = 1469598103934665603u;
  for (char c : name) h = (h ^ static_cast<unsigned char>(Fold(c))) * 1099511628211u;
  return h;
}

// Folder and name mixed so that the few names many folders share spread over
// the whole table (linear probing clusters badly otherwise).
std::size_t Slot(std::size_t name_hash, std::uint32_t folder) {
  std::uint64_t h = name_hash ^ (static_cast<std::uint64_t>(folder) * 0x9E3779B97F4A7C15u);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDu;
  h ^= h >> 33;
  return static_cast<std::size_t>(h);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Fold(x) == Fold(y); });
}

}  // namespace

void RemoveDuplicateRows(std::vector<std::uint32_t>& rows, std::vector<std::uint8_t>& ticks,
                         const PathList& paths, UiServices& ui) {
  // A path is its folder and its name: the list keeps each folder once, so
  // equal paths are equal pairs and no path text is built.
  std::vector<std::uint32_t> folder_id(paths.folder_count());
  for (std::uint32_t f = 0; f < folder_id.size(); ++f) folder_id[f] = f;
#ifdef _WIN32
  // Folders that differ only in case are one.
  std::unordered_map<std::string, std::uint32_t> folded;
  for (std::uint32_t f = 0; f < folder_id.size(); ++f) {
    std::string text(paths.folder_text(f));
    std::transform(text.begin(), text.end(), text.begin(), Fold);
    folder_id[f] = folded.emplace(std::move(text), f).first->second;
  }
#endif
  // One flat table of kept rows (open addressing): no allocation a row, and
  // nothing to free a row at the end, however long the list. Rows of a folder
  // read once never enter it, so it is sized for the others alone.
  const auto once = [&](std::uint32_t row) {
    return kNamesDistinctInFolder && paths.read_once(paths.folder(row));
  };
  const auto hashed = static_cast<std::size_t>(
      std::count_if(rows.begin(), rows.end(), [&](std::uint32_t row) { return !once(row); }));
  std::size_t size = 16;
  while (size < hashed * 2) size *= 2;
  constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
  std::vector<std::uint32_t> table(size, kEmpty);
  std::size_t kept = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ui.Yield();
    const std::uint32_t candidate = rows[r];
    const std::uint32_t folder = folder_id[paths.folder(candidate)];
    // The names of one reading of a folder differ from each other (exactly
    // so on Linux): such a row repeats none.
    if (once(candidate)) {
      rows[kept] = candidate;
      ticks[kept] = ticks[r];
      ++kept;
      continue;
    }
    const std::string_view name = paths.name(candidate);
    std::size_t slot = Slot(HashName(name), folder) & (size - 1);
    bool seen = false;
    // Table entries are kept positions; rows before `kept` no longer move.
    for (; table[slot] != kEmpty; slot = (slot + 1) & (size - 1)) {
      const std::uint32_t other = rows[table[slot]];
      if (folder_id[paths.folder(other)] == folder && SameName(paths.name(other), name)) {
        seen = true;
        break;
      }
    }
    if (seen) continue;
    table[slot] = static_cast<std::uint32_t>(kept);
    rows[kept] = candidate;
    ticks[kept] = ticks[r];
    ++kept;
  }
  rows.resize(kept);
  ticks.resize(kept);
}
