#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/ui_services.h"
#include "setup_page/candidate_lists.h"

enum class RangeKind { kNone, kAfter, kBefore, kOn, kBetween };

// d1 and d2: the candidate's calendar day less the first and second picker's day.
bool InRange(RangeKind kind, long d1, long d2);
// Whether a candidate's date lies in the range of the pickers' days; a
// candidate without the date is in none.
bool DateInRange(RangeKind kind, const std::optional<DateValue>& date, long first_day,
                 long second_day);

// Indices of the candidates whose day falls in the range, in candidate order.
// The pickers' days are asked again whenever the window had its events, so
// a change during the pass applies to the remaining candidates.
std::vector<std::uint32_t> FindInRange(const DateList& dates, RangeKind kind,
                                       const std::function<long()>& first_day,
                                       const std::function<long()>& second_day, UiServices& ui);

// Keeps the first row of each distinct path of paths, with its tick; paths
// compare exactly (without regard to case on Windows).
void RemoveDuplicateRows(std::vector<std::uint32_t>& rows, std::vector<std::uint8_t>& ticks,
                         const PathList& paths, UiServices& ui);
