#pragma once
#include <array>

// Every key the program stores, each with the value it takes while absent.
namespace settings_keys {

enum class Fallback { kOff, kOn, kYearAgo, kYesterday, kDesktop };

struct Key {
  const char* name;
  Fallback fallback;
};

inline constexpr Key kPath = {"Path", Fallback::kDesktop};
// Page 1: modified, created, accessed; then copy, move.
inline constexpr std::array<Key, 3> kDateOptions = {
    {{"Option1", Fallback::kOn}, {"Option2", Fallback::kOff}, {"Option3", Fallback::kOff}}};
inline constexpr std::array<Key, 2> kTransferOptions = {
    {{"Option4", Fallback::kOn}, {"Option5", Fallback::kOff}}};
// Page 2: after, before, on, between; and the five date pickers.
inline constexpr std::array<Key, 4> kRangeOptions = {{{"2Option1", Fallback::kOn},
                                                      {"2Option2", Fallback::kOff},
                                                      {"2Option3", Fallback::kOff},
                                                      {"2Option4", Fallback::kOff}}};
inline constexpr std::array<Key, 5> kPickers = {{{"DTP1", Fallback::kYearAgo},
                                                 {"DTP2", Fallback::kYearAgo},
                                                 {"DTP3", Fallback::kYearAgo},
                                                 {"DTP4", Fallback::kYearAgo},
                                                 {"DTP5", Fallback::kYesterday}}};

// Every key, for a walk over all of them.
inline constexpr std::array<const Key*, 15> kAll = {&kPath,
                                                    &kDateOptions[0],
                                                    &kDateOptions[1],
                                                    &kDateOptions[2],
                                                    &kTransferOptions[0],
                                                    &kTransferOptions[1],
                                                    &kRangeOptions[0],
                                                    &kRangeOptions[1],
                                                    &kRangeOptions[2],
                                                    &kRangeOptions[3],
                                                    &kPickers[0],
                                                    &kPickers[1],
                                                    &kPickers[2],
                                                    &kPickers[3],
                                                    &kPickers[4]};

}  // namespace settings_keys
