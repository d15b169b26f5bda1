#include "results_page/find.h"

#include <unordered_set>

#include "setup_page/search_launch.h"

#ifdef _WIN32
#include <algorithm>
#include <cctype>
#include <string>
#endif

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

std::vector<std::uint32_t> FindInRange(RangeKind kind, const std::function<long()>& first_day,
                                       const std::function<long()>& second_day, UiServices& ui) {
  std::vector<std::uint32_t> rows;
  if (kind == RangeKind::kNone) return rows;
  const bool two = kind == RangeKind::kBetween;
  long day1 = first_day();
  long day2 = two ? second_day() : 0;
  const std::size_t count = CandidatePaths.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (ui.Yield()) {
      day1 = first_day();
      if (two) day2 = second_day();
    }
    // The candidates may have been emptied while the window had its events.
    if (i >= CandidateDates.size()) break;
    const long day = CandidateDates.Day(i);
    if (InRange(kind, day - day1, day - day2)) rows.push_back(static_cast<std::uint32_t>(i));
  }
  return rows;
}

namespace {

#ifdef _WIN32
struct PathKey {
  std::string folded;
  explicit PathKey(std::string_view p) : folded(p) {
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  }
  bool operator==(const PathKey&) const = default;
};
struct PathKeyHash {
  std::size_t operator()(const PathKey& k) const { return std::hash<std::string>()(k.folded); }
};
using PathSet = std::unordered_set<PathKey, PathKeyHash>;
#else
using PathSet = std::unordered_set<std::string_view>;
#endif

}  // namespace

void RemoveDuplicateRows(std::vector<std::uint32_t>& rows, std::vector<std::uint8_t>& ticks,
                         const std::function<std::string_view(std::uint32_t)>& path,
                         UiServices& ui) {
  PathSet seen;
  seen.reserve(rows.size());
  std::size_t kept = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ui.Yield();
    if (!seen.emplace(path(rows[r])).second) continue;
    rows[kept] = rows[r];
    ticks[kept] = ticks[r];
    ++kept;
  }
  rows.resize(kept);
  ticks.resize(kept);
}
