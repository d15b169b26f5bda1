#include "results_page/find.h"

#include <functional>
#include <string_view>
#include <unordered_map>
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

// A path as its folder and its name: the list keeps each folder once, so
// equal paths are equal pairs and no path text is built.
struct PathKey {
  std::uint32_t folder;
  std::string_view name;
  bool operator==(const PathKey&) const = default;
};
struct PathKeyHash {
  std::size_t operator()(const PathKey& k) const {
    return std::hash<std::string_view>()(k.name) * 31 + k.folder;
  }
};

#ifdef _WIN32
std::string Folded(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return folded;
}
#endif

}  // namespace

void RemoveDuplicateRows(std::vector<std::uint32_t>& rows, std::vector<std::uint8_t>& ticks,
                         const PathList& paths, UiServices& ui) {
#ifdef _WIN32
  // Without regard to case: folders that differ only in case are one, and
  // names are compared folded.
  std::unordered_map<std::string, std::uint32_t> folded_folders;
  std::vector<std::uint32_t> same_folder(paths.folder_count());
  for (std::uint32_t f = 0; f < same_folder.size(); ++f)
    same_folder[f] = folded_folders.emplace(Folded(paths.folder_text(f)), f).first->second;
  std::vector<std::string> folded_names;
  folded_names.reserve(rows.size());
  for (std::uint32_t row : rows) folded_names.push_back(Folded(paths.name(row)));
#endif
  std::unordered_set<PathKey, PathKeyHash> seen;
  seen.reserve(rows.size());
  std::size_t kept = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ui.Yield();
#ifdef _WIN32
    const PathKey key{same_folder[paths.folder(rows[r])], folded_names[r]};
#else
    const PathKey key{paths.folder(rows[r]), paths.name(rows[r])};
#endif
    if (!seen.insert(key).second) continue;
    rows[kept] = rows[r];
    ticks[kept] = ticks[r];
    ++kept;
  }
  rows.resize(kept);
  ticks.resize(kept);
}
