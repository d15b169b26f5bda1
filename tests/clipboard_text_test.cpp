#include "results_page/clipboard_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/failure.h"
#include "tests/scripted_ui.h"

namespace {

struct Row {
  std::vector<std::string> cells;
  bool ticked;
};

std::optional<std::string> TextOf(const std::vector<Row>& rows) {
  ListView list;
  list.rows = rows.size();
  list.columns = rows.empty() ? 2 : rows[0].cells.size();
  list.cell = [&](std::size_t r, std::size_t c) { return std::string_view(rows[r].cells[c]); };
  list.ticked = [&](std::size_t r) { return rows[r].ticked; };
  return ClipboardText(list);
}

}  // namespace

TEST(ClipboardText, AlignsTickedRowsByWidthsOverAllRows) {
  struct Case {
    const char* name;
    std::vector<Row> rows;
    std::optional<std::string> text;
  } cases[] = {
      {"example",
       {{{"a.txt", "10"}, true}, {{"longname.txt", "2000"}, false}},
       "a.txt       \t10\r\n"},
      {"none ticked", {{{"a.txt", "10"}, false}}, ""},
      {"no rows", {}, std::nullopt},
      {"exact width", {{{"abc", "1"}, true}, {{"xyz", "22"}, true}}, "abc\t1\r\nxyz\t22\r\n"},
      {"characters not bytes", {{{"ü", "1"}, true}, {{"ab", "2"}, false}}, "ü \t1\r\n"},
      {"empty cells", {{{"a", ""}, true}, {{"", ""}, true}}, "a\t\r\n \t\r\n"},
      {"three columns",
       {{{"a", "b", "c"}, true}, {{"aaa", "bbb", "c"}, true}},
       "a  \tb  \tc\r\naaa\tbbb\tc\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextOf(c.rows), c.text) << c.name;
}

TEST(ClipboardText, ACellThatGrowsWhileTheWindowIsServedIsFollowedByItsTab) {
  std::vector<std::string> paths = {"a", "bb"};
  ListView list;
  list.rows = 2;
  list.columns = 2;
  list.cell = [&](std::size_t r, std::size_t c) {
    return std::string_view(c == 0 ? paths[r] : std::string_view("1"));
  };
  list.ticked = [](std::size_t) { return true; };
  struct GrowingUi : ScriptedUi {
    std::vector<std::string>* paths;
    bool Yield() override {
      if (++yields == 5) (*paths)[0] = "a much longer path";  // after the widths are measured
      return true;
    }
  } ui;
  ui.paths = &paths;
  EXPECT_EQ(ClipboardText(list, &ui), "a much longer path\t1\r\nbb\t1\r\n");
}
