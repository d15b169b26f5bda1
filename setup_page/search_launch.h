#pragma once
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ui_services.h"
#include "fs/file_times.h"
#include "setup_page/path_list.h"

// The candidates of the last "Next >" run: every file of the listed trees
// with its chosen date (NaN when it has none), index for index.
class DateList {
 public:
  void clear() {
    dates_.clear();
    dates_.shrink_to_fit();
    days_.clear();
    days_.shrink_to_fit();
  }
  void push_back(std::optional<DateValue> date) {
    dates_.push_back(date ? *date : NAN);
    days_.push_back(date ? static_cast<std::int32_t>(DayNumber(*date)) : 0);
  }
  std::size_t size() const { return dates_.size(); }
  std::optional<DateValue> operator[](std::size_t i) const {
    return std::isnan(dates_[i]) ? std::nullopt : std::optional<DateValue>(dates_[i]);
  }
  // The calendar day, worked out once when the date came in; an empty date
  // counts as day 0, 1899-12-30.
  long Day(std::size_t i) const { return days_[i]; }

 private:
  std::vector<double> dates_;
  std::vector<std::int32_t> days_;
};

extern PathList CandidatePaths;
extern DateList CandidateDates;

// Indices (0-based) of listed folders that equal or lie below a folder
// listed after them, in increasing order. A prefix test: every path ends in
// the separator.
std::vector<std::size_t> MarkNestedFolders(const std::vector<std::string>& folders);

// Appends every file of the listed folder and all its sub-folders
// (breadth-first) to the candidates, names beginning with "~" left out.
// kind is asked again for every file: the user may change it meanwhile.
void CollectCandidates(const std::string& listed_folder, UiServices& ui,
                       const std::function<std::optional<DateKind>()>& kind);
