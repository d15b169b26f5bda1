#include "app/folder_picker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/scripted_ui.h"

TEST(FolderPicker, NoFinalSeparatorButForTheRoot) {
  ScriptedUi ui;
#ifdef _WIN32
  // As the dialog answers: with "/".
  ui.folders = {"", "C:/", "C:/Data", "C:/Data/", "//server/share/"};
  const std::vector<std::string> expected = {"", "C:\\", "C:\\Data", "C:\\Data",
                                             "\\\\server\\share"};
#else
  ui.folders = {"", "/", "/data", "/data/", "//data//x//"};
  const std::vector<std::string> expected = {"", "/", "/data", "/data", "/data/x"};
#endif
  for (const auto& e : expected) EXPECT_EQ(BrowseForFolder(ui, "Please select folder:", ""), e);
  EXPECT_EQ(ui.dialog_titles.size(), expected.size());
}
