#include "results_page/find.h"

#include <gtest/gtest.h>

#include "fs/platform.h"
#include "setup_page/candidate_lists.h"
#include "setup_page/search_launch.h"
#include "tests/scripted_ui.h"

namespace {

struct Lists {
  PathList paths;
  DateList dates;
};

Lists Candidates(const std::vector<std::pair<std::string, std::optional<double>>>& list) {
  Lists lists;
  for (const auto& [path, date] : list) {
    lists.paths.push_back(path);
    lists.dates.push_back(date);
  }
  return lists;
}

}  // namespace

TEST(Find, RangeTestByWholeDays) {
  struct Case {
    RangeKind kind;
    long d1, d2;
    bool in;
  } cases[] = {{RangeKind::kAfter, 1, 0, true},      {RangeKind::kAfter, 0, 0, false},
               {RangeKind::kBefore, -1, 0, true},    {RangeKind::kBefore, 0, 0, false},
               {RangeKind::kOn, 0, 5, true},         {RangeKind::kOn, 1, 0, false},
               {RangeKind::kBetween, 0, 0, true},    {RangeKind::kBetween, 3, -2, true},
               {RangeKind::kBetween, -1, -5, false}, {RangeKind::kBetween, 2, 1, false},
               {RangeKind::kNone, 0, 0, false}};
  for (const auto& c : cases) EXPECT_EQ(InRange(c.kind, c.d1, c.d2), c.in);
}

TEST(Find, TimeOfDayPlaysNoPartAndEmptyDatesAreInNoRange) {
  const Lists c = Candidates({{"/late", 100.999}, {"/early", 101.0}, {"/none", std::nullopt}});
  ScriptedUi ui;
  auto day = [](long d) { return [d] { return d; }; };
  EXPECT_EQ(FindInRange(c.dates, RangeKind::kOn, day(100), day(0), ui),
            (std::vector<std::uint32_t>{0}));
  EXPECT_EQ(FindInRange(c.dates, RangeKind::kAfter, day(100), day(0), ui),
            (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(FindInRange(c.dates, RangeKind::kBefore, day(100), day(0), ui),
            (std::vector<std::uint32_t>{}));
  EXPECT_EQ(FindInRange(c.dates, RangeKind::kBetween, day(-1), day(100), ui),
            (std::vector<std::uint32_t>{0}));
}

TEST(Find, APickerChangedDuringThePassAppliesToTheRemainingCandidates) {
  const Lists c = Candidates({{"/a", 10.5}, {"/b", 10.5}, {"/c", 10.5}});
  ScriptedUi ui;
  long picker = 0;
  ui.on_yield = [&] {
    if (ui.yields == 2) picker = 10;  // the user picks another day while the find runs
  };
  auto rows = FindInRange(
      c.dates, RangeKind::kAfter, [&] { return picker; }, [] { return 0L; }, ui);
  EXPECT_EQ(rows, (std::vector<std::uint32_t>{0}));
}

TEST(Find, DuplicatePassKeepsTheFirstRowOfEachPathBeyond32767Rows) {
  std::vector<std::pair<std::string, std::optional<double>>> list;
  for (int i = 0; i < 40000; ++i) list.push_back({"/f" + std::to_string(i % 35000), 1.0});
  list.push_back({"/F1", 1.0});  // another file on Linux; the same as /f1 on Windows
  const Lists c = Candidates(list);
  std::vector<std::uint32_t> rows(list.size());
  for (std::uint32_t i = 0; i < rows.size(); ++i) rows[i] = i;
  std::vector<std::uint8_t> ticks(rows.size(), 0);
  ticks[34999] = 1;
  ticks[39999] = 0;
  ScriptedUi ui;
  RemoveDuplicateRows(rows, ticks, c.paths, ui);
#ifdef _WIN32
  ASSERT_EQ(rows.size(), 35000u);
  EXPECT_EQ(rows.back(), 34999u);
#else
  ASSERT_EQ(rows.size(), 35001u);
  EXPECT_EQ(rows.back(), 40000u);
#endif
  EXPECT_EQ(rows[34999], 34999u);
  EXPECT_EQ(ticks[34999], 1);
  for (std::uint32_t i = 0; i < 35000; ++i) ASSERT_EQ(rows[i], i);
}

TEST(Find, NestedFolderMarksArePrefixTests) {
  struct Case {
    std::vector<std::string> folders;
    std::vector<std::size_t> marked;
  } cases[] = {{{"/a/b/", "/a/"}, {0}},         {{"/a/", "/a/b/"}, {}},
               {{"/a/", "/a/"}, {0}},           {{"/a/b/", "/a/", "/"}, {0, 1}},
               {{"/data/home/", "/home/"}, {}}, {{"/A/", "/a/b/"}, {}}};
  for (const auto& c : cases) EXPECT_EQ(MarkNestedFolders(c.folders), c.marked);
}

TEST(Find, CandidatePathsKeepEachFolderOnceAndGiveBackEveryPath) {
  const std::string s(1, os::kSeparator);
  const std::vector<std::string> paths = {s + "a" + s + "x.txt",
                                          s + "a" + s + "y.txt",
                                          s + "b" + s + "x.txt",
                                          s + "a" + s + "z.txt",
                                          "bare.txt",
                                          s + "top.txt"};
  PathList list;
  for (const auto& p : paths) list.push_back(p);
  ASSERT_EQ(list.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(list[i], paths[i]);
  EXPECT_EQ(list.folder_count(), 4u);  // /a/ once, though it comes back after /b/
  EXPECT_EQ(list.folder(0), list.folder(3));
  EXPECT_NE(list.folder(0), list.folder(2));
  // Many folders, each coming back after all the others.
  for (int round = 0; round < 2; ++round)
    for (int f = 0; f < 5000; ++f) list.push_back(s + std::to_string(f) + s + "n");
  EXPECT_EQ(list.folder_count(), 5004u);
  EXPECT_EQ(list[paths.size() + 5000 + 4321], s + "4321" + s + "n");
  EXPECT_EQ(list.folder(paths.size() + 7), list.folder(paths.size() + 5007));
  list.clear();
  EXPECT_TRUE(list.empty());
}

TEST(Find, DuplicatesAfterRowsMovedUpAreStillFound) {
  const std::string s(1, os::kSeparator);
  // Rows move up as duplicates drop out; later duplicates must still be seen.
  const Lists c = Candidates({{s + "a" + s + "x", 1.0},
                              {s + "a" + s + "x", 1.0},
                              {s + "b" + s + "x", 1.0},
                              {s + "a" + s + "y", 1.0},
                              {s + "b" + s + "x", 1.0},
                              {s + "a" + s + "y", 1.0},
                              {s + "a" + s + "x", 1.0},
                              {s + "c" + s + "x", 1.0}});
  std::vector<std::uint32_t> rows = {0, 1, 2, 3, 4, 5, 6, 7};
  std::vector<std::uint8_t> ticks = {1, 0, 0, 1, 0, 0, 0, 1};
  ScriptedUi ui;
  RemoveDuplicateRows(rows, ticks, c.paths, ui);
  EXPECT_EQ(rows, (std::vector<std::uint32_t>{0, 2, 3, 7}));
  EXPECT_EQ(ticks, (std::vector<std::uint8_t>{1, 0, 1, 1}));
}
