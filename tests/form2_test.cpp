#include "results_page/form2.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

#include <QAccessible>
#include <QCalendarWidget>
#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <utility>

#include "app/date_locale.h"
#ifndef _WIN32
#include "app/launcher_progress.h"
#endif
#include "setup_page/search_launch.h"
#include "tests/layout_check.h"
#include "tests/page_fixture.h"
#include "tests/transfer_checks.h"

namespace {

// Local time of a calendar moment, as the files' dates are read.
std::time_t Local(int y, int mo, int d, int h = 12, int mi = 0) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

class Form2Page : public PageTest {
 protected:
  void SetUp() override {
    Start();
    t.Folder("out");
    form->Text1->setText(QString::fromStdString(t.Path("out/")));
  }
  void List(const std::vector<std::string>& folders) {
    for (const auto& f : folders) {
      ui.folders.push_back(f);
      form->PushButton1_Click();
    }
  }
  Form2& Page2() { return *form->form2(); }
  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (std::size_t r = 0; r < Page2().model().count(); ++r)
      rows.emplace_back(Page2().model().Path(r));
    return rows;
  }
  void Find(QRadioButton* option, QDate first, QDate second = {}) {
    Page2().SelectOption(option);
    QDateEdit* pickers[] = {Page2().DTPicker1, Page2().DTPicker2, Page2().DTPicker3,
                            Page2().DTPicker4};
    QRadioButton* options[] = {Page2().Option1, Page2().Option2, Page2().Option3, Page2().Option4};
    for (int i = 0; i < 4; ++i)
      if (options[i] == option) pickers[i]->setDate(first);
    if (second.isValid()) Page2().DTPicker5->setDate(second);
    Page2().PushButton1_Click();
  }
  std::vector<std::string> Infos() const { return ui.Texts(ScriptedUi::BoxKind::kInformation); }
};

}  // namespace

TEST_F(Form2Page, OneRequestEndToEnd) {
  t.File("Photos/old.jpg", "o", Local(2020, 12, 31));
  t.File("Photos/new.jpg", "n", Local(2021, 1, 2));
  t.File("Photos/2021/deep.jpg", "d", Local(2021, 6, 1));
  t.File("Photos/~$lock.jpg", "l", Local(2021, 6, 1));
  t.File("Photos/.hidden.jpg", "h", Local(2021, 6, 1));
  List({t.Path("Photos")});
  form->show();
  form->PushButton6_Click();
  ASSERT_NE(form->form2(), nullptr);
  EXPECT_TRUE(Page2().isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Page2().pos(), form->pos());
  EXPECT_EQ(Page2().focusWidget(), Page2().Option1);
  EXPECT_EQ(Page2().model().headerData(0, Qt::Horizontal, Qt::DisplayRole),
            "File(s) found will be copied to new location");
  EXPECT_EQ(Page2().model().headerData(1, Qt::Horizontal, Qt::DisplayRole), "Date Modified");
  EXPECT_EQ(CaptionOf(Page2().PushButton3), "Copy Checked To New Location");
  EXPECT_EQ(Page2().model().candidates()->paths.size(), 4u);  // the "~" file is no candidate

  Find(Page2().Option1, QDate(2021, 1, 1));
  EXPECT_EQ(Sorted(Rows()), Sorted({t.Path("Photos/new.jpg"), t.Path("Photos/.hidden.jpg"),
                                    t.Path("Photos/2021/deep.jpg")}));
  EXPECT_EQ(Rows().back(), t.Path("Photos/2021/deep.jpg"));  // sub-folders after their parent
  EXPECT_EQ(Page2().model().DateCell(0).left(10).size(), 10);
  EXPECT_FALSE(Page2().model().Ticked(0));

  Page2().PushButton4_Click();
  Page2().PushButton3_Click();
  EXPECT_EQ(Infos().back(), "Done.");
  EXPECT_EQ(t.Read("out/new.jpg"), "n");
  EXPECT_EQ(t.Read("out/deep.jpg"), "d");
  EXPECT_EQ(std::filesystem::last_write_time(t.Path("out/new.jpg")),
            std::filesystem::last_write_time(t.Path("Photos/new.jpg")));
  EXPECT_EQ(Rows().size(), 3u);  // a copy keeps every row, ticked
  EXPECT_TRUE(Page2().model().Ticked(2));
  Find(Page2().Option1, QDate(2021, 1, 1));  // a new find starts with none ticked
  EXPECT_FALSE(Page2().model().Ticked(2));
  EXPECT_TRUE(ui.Failures().empty());

  Page2().PushButton2_Click();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(Page2().isVisible());
}

TEST_F(Form2Page, NextRefusesAnEmptyListOrAMissingDestination) {
  form->PushButton6_Click();
  form->Text1->setText(QString::fromStdString(t.Path("nowhere")));
  List({t.Path("out")});
  form->PushButton6_Click();
  EXPECT_EQ(Infos(),
            (std::vector<std::string>{"No folders added.",
                                      "Folder does not exist. Please select another folder."}));
  EXPECT_EQ(form->form2(), nullptr);
  EXPECT_FALSE(form->busy());
  EXPECT_EQ(Folders().size(), 1u);
}

TEST_F(Form2Page, NestedFoldersAreRemovedWithOneBoxEach) {
  const std::string a = t.Path("a/"), b = t.Path("a/b/"), c = t.Path("a/b/c/");
  t.Folder("a/b/c");
  t.Folder("ab");
  const std::string suffix =
      " will be removed because it is a subfolder of another folder that you added.";
  struct Case {
    std::vector<std::string> listed;
    std::vector<std::string> boxes;
    std::vector<std::string> kept;
  } cases[] = {
      {{b, a}, {b + suffix}, {a}},
      {{a, b}, {}, {a, b}},
      {{a, a}, {a + " will be removed because you added that folder already."}, {a}},
      {{c, b, a}, {b + suffix, c + suffix}, {a}},
      {{a, t.Path("ab/")}, {}, {a, t.Path("ab/")}},  // a prefix of the text, not of the path
  };
  for (const auto& k : cases) {
    form->ListView1->clear();
    ui.boxes.clear();
    for (const auto& f : k.listed) List({f});
    form->PushButton6_Click();
    std::vector<std::string> removed;
    for (const auto& box : Infos()) removed.push_back(box);
    EXPECT_EQ(removed, k.boxes);
    EXPECT_EQ(Folders(), k.kept);
  }
}

TEST_F(Form2Page, AFolderListedUnderItsParentIsFoundOnce) {
  t.File("a/b/x.txt", "x", Local(2022, 5, 5));
  List({t.Path("a"), t.Path("a/b")});
  form->PushButton6_Click();
  EXPECT_EQ(Page2().model().candidates()->paths.size(), 2u);
  Find(Page2().Option3, QDate(2022, 5, 5));
  EXPECT_EQ(Rows(), (std::vector<std::string>{t.Path("a/b/x.txt")}));
}

TEST_F(Form2Page, EveryControlOfPageTwoStandsWhereItsTableSays) {
  t.Folder("s");
  List({t.Path("s")});
  form->PushButton6_Click();
  EXPECT_EQ(Page2().size(), QSize(Twips(&Page2(), 8040), Twips(&Page2(), 8295)));
  ExpectLayout(&Page2(), {{"PushButton2", "< Back", 120, 120, 7800, 405},
                          {"Frame1", "Select Range", 120, 590, 7800, 2895},
                          {"Option1", "After this date:", 240, 360, 1935, 375},
                          {"Option2", "Before this date:", 240, 840, 1935, 375},
                          {"Option3", "On this date:", 240, 1320, 1935, 375},
                          {"Option4", "Between:", 240, 1800, 1935, 375},
                          {"DTPicker1", "", 2280, 360, 5295, 375},
                          {"DTPicker2", "", 2280, 840, 5295, 375},
                          {"DTPicker3", "", 2280, 1320, 5295, 375},
                          {"DTPicker4", "", 2280, 1800, 4815, 375},
                          {"Label1", "and", 7200, 1845, 375, 375},
                          {"DTPicker5", "", 2280, 2280, 5295, 375},
                          {"PushButton1", "Start Finding", 120, 3620, 7800, 405},
                          {"ListView1", "", 120, 4125, 7800, 2535},
                          {"PushButton4", "Select All", 120, 6760, 3840, 405},
                          {"PushButton5", "Unselect All", 4080, 6760, 3840, 405},
                          {"PushButton7", "Copy Results To Clipboard", 120, 7270, 3840, 405},
                          {"PushButton6", "Save Results As Text File", 4080, 7270, 3840, 405},
                          {"PushButton3", "Copy Checked To New Location", 120, 7780, 7800, 405}});
}

TEST_F(Form2Page, EachDateOptionFindsByItsOwnTimeAndEachOptionNamesItsColumns) {
  t.File("s/a.txt", "", Local(2020, 1, 10));  // modified 2020, accessed 2022, made today
  struct utimbuf times = {Local(2022, 1, 10), Local(2020, 1, 10)};
  ASSERT_EQ(utime(t.Path("s/a.txt").c_str(), &times), 0);
  List({t.Path("s")});
  struct Case {
    QRadioButton* date_option;
    QRadioButton* transfer_option;
    QDate day;
    const char* date_heading;
    const char* path_heading;
    const char* button;
  } cases[] = {{form->Option1,
                form->Option4,
                {2020, 1, 10},
                "Date Modified",
                "File(s) found will be copied to new location",
                "Copy Checked To New Location"},
               {form->Option2, form->Option5, QDate::currentDate(), "Date Created",
                "File(s) found will be moved to new location", "Move Checked To New Location"},
               {form->Option3,
                form->Option4,
                {2022, 1, 10},
                "Date Accessed",
                "File(s) found will be copied to new location",
                "Copy Checked To New Location"}};
  for (const Case& c : cases) {
#ifdef _WIN32
    if (c.date_option == form->Option2 && UnderWine()) {
      std::printf(
          "skipped Date Created: Wine gives a file the earlier of its changes as its birth\n");
      continue;
    }
#endif
    c.date_option->click();
    c.transfer_option->click();
    form->PushButton6_Click();
    Find(Page2().Option3, c.day);
    EXPECT_EQ(Rows(), (std::vector<std::string>{t.Path("s/a.txt")})) << c.date_heading;
    Find(Page2().Option3, QDate(2021, 1, 10));
    EXPECT_TRUE(Rows().empty()) << c.date_heading;
    const auto heading = [&](int column) {
      return Page2().model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    };
    EXPECT_EQ(heading(ResultModel::kPath), c.path_heading);
    EXPECT_EQ(heading(ResultModel::kDate), c.date_heading);
    EXPECT_EQ(CaptionOf(Page2().PushButton3), c.button);
  }
}

TEST_F(Form2Page, EachRangeKindAtItsBoundaries) {
  t.File("d/before.txt", "", Local(2023, 6, 14, 23, 59));
  t.File("d/on-early.txt", "", Local(2023, 6, 15, 0, 0));
  t.File("d/on-late.txt", "", Local(2023, 6, 15, 23, 59));
  t.File("d/after.txt", "", Local(2023, 6, 16, 0, 1));
  List({t.Path("d")});
  form->PushButton6_Click();
  const QDate day(2023, 6, 15);
  struct Case {
    QRadioButton* option;
    QDate first, second;
    std::vector<std::string> found;
  } cases[] = {
      {Page2().Option1, day, {}, {"after.txt"}},
      {Page2().Option2, day, {}, {"before.txt"}},
      {Page2().Option3, day, {}, {"on-early.txt", "on-late.txt"}},
      {Page2().Option4, day, day, {"on-early.txt", "on-late.txt"}},
      {Page2().Option4, day.addDays(-1), day, {"before.txt", "on-early.txt", "on-late.txt"}},
      {Page2().Option4, day.addDays(1), day, {}},
  };
  for (const auto& c : cases) {
    Find(c.option, c.first, c.second);
    std::vector<std::string> names;
    for (const auto& r : Rows()) names.push_back(r.substr(r.rfind(os::kSeparator) + 1));
    EXPECT_EQ(Sorted(names), c.found) << c.option->text().toStdString();
  }
}

TEST_F(Form2Page, EnabledPickersFollowTheRangeAndChoicesAreStored) {
  t.Folder("d");
  List({t.Path("d")});
  form->PushButton6_Click();
  EXPECT_TRUE(Page2().Option1->isChecked());
  QTest::mouseClick(Page2().Option4, Qt::LeftButton, {}, QPoint(Page2().Option4->width() - 2, 5));
  EXPECT_EQ((std::vector<bool>{Page2().DTPicker1->isEnabled(), Page2().DTPicker2->isEnabled(),
                               Page2().DTPicker3->isEnabled(), Page2().DTPicker4->isEnabled(),
                               Page2().DTPicker5->isEnabled()}),
            (std::vector<bool>{false, false, false, true, true}));
  EXPECT_EQ(Stored("2Option4"), "True");
  EXPECT_EQ(Stored("2Option1"), "False");
  Page2().DTPicker3->setDate(QDate(2020, 2, 29));
  EXPECT_EQ(Stored("DTP3"), "2020-02-29");
  EXPECT_EQ(Page2().DTPicker1->date(), QDate::currentDate().addYears(-1));
  EXPECT_EQ(Page2().DTPicker5->date(), QDate::currentDate().addDays(-1));
}

TEST_F(Form2Page, BadStoredRangeValuesFailTheirStepsAndTheLoadGoesOn) {
  Store("DTP2", "not a date");
  Store("2Option1", "perhaps");
  Store("2Option3", "perhaps");
  Store("DTP4", "2019-05-06");
  t.Folder("d");
  List({t.Path("d")});
  form->PushButton6_Click();
  ASSERT_EQ(ui.Failures().size(), 3u);
  EXPECT_EQ(ui.Failures()[2].rfind(
                "Type mismatch\r\nin Larkmere2021/08/31.Form2.Form_Load at line 124\r\r", 0),
            0u);
  EXPECT_EQ(ui.Failures()[0].rfind(
                "Type mismatch\r\nin Larkmere2021/08/31.Form2.Form_Load at line 112\r\r", 0),
            0u);
  EXPECT_EQ(ui.Failures()[1].rfind(
                "Type mismatch\r\nin Larkmere2021/08/31.Form2.Form_Load at line 120\r\r", 0),
            0u);
  EXPECT_EQ(Page2().DTPicker4->date(), QDate(2019, 5, 6));
  EXPECT_TRUE(Page2().isVisible());
}

TEST_F(Form2Page, AFileWithoutTheChosenDateIsInNoRange) {
  t.Folder("d");
  List({t.Path("d")});
  form->PushButton6_Click();
  auto candidates = std::make_shared<CandidateLists>();
  candidates->paths.push_back("/no/date.txt");
  candidates->dates.push_back(std::nullopt);
  Page2().model().SetResult(candidates, {});
  for (auto* option : {Page2().Option1, Page2().Option2, Page2().Option3}) {
    Find(option, option == Page2().Option1 ? QDate(1601, 1, 2) : QDate(1899, 12, 30));
    EXPECT_TRUE(Rows().empty());
  }
}

TEST_F(Form2Page, SelectAllAndUnselectAllOfALongListLetTheWindowHaveItsEvents) {
  t.Folder("d");
  List({t.Path("d")});
  form->PushButton6_Click();
  auto candidates = std::make_shared<CandidateLists>();
  for (int i = 0; i < 100000; ++i) {
    candidates->paths.push_back("/d/" + std::to_string(i));
    candidates->dates.push_back(45000.0);
  }
  Page2().model().SetResult(candidates, {});
  Find(Page2().Option1, QDate(1900, 1, 1));
  ASSERT_EQ(Page2().model().count(), 100000u);
  int last_told = -1;  // the last row the view was told of
  QObject::connect(&Page2().model(), &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex&, const QModelIndex& to) {
                     last_told = std::max(last_told, to.row());
                   });
  for (bool tick : {true, false}) {
    ui.yields = 0;
    last_told = -1;
    (tick ? Page2().PushButton4 : Page2().PushButton5)->click();
    EXPECT_EQ(last_told, 99999);
    EXPECT_GT(ui.yields, 1);
    EXPECT_EQ(Page2().model().Ticked(0), tick);
    EXPECT_EQ(Page2().model().Ticked(99999), tick);
  }
}

TEST_F(Form2Page, ASecondClickWhileBusyDoesNothing) {
  t.File("d/x.txt");
  List({t.Path("d")});
  {
    const LongPass next(*form, LongPass::kExclusive);
    { const LongPass select_all(*form); }  // a shared pass meanwhile
    EXPECT_TRUE(form->busy());
    form->PushButton6_Click();
    EXPECT_EQ(form->form2(), nullptr);
  }
  EXPECT_FALSE(form->busy());
  form->PushButton6_Click();
  const LongPass finding(Page2(), LongPass::kExclusive);
  Find(Page2().Option1, QDate(1990, 1, 1));
  EXPECT_TRUE(Rows().empty());
  ui.boxes.clear();
  form->ListView1->clear();
  form->PushButton6_Click();  // page 1 waits for page 2's find
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(Page2().model().candidates()->paths.size(), 1u);
}

TEST_F(Form2Page, MoveRemovesExactlyTheMovedRowsAndKeepsEveryFile) {
  // Seven cards' photos of one name: each gathered, the later ones numbered.
  std::vector<std::string> folders;
  for (const std::string i : {"1", "2", "3", "4", "5", "6", "7"}) {
    folders.push_back(t.Path("s" + i));
    t.File("s" + i + "/same.txt", "card " + i, Local(2024, 1, 10));
  }
  t.File("s1/gone.txt", "g", Local(2024, 1, 10));
  t.File("s1/keep.txt", "k", Local(2024, 1, 10));
  t.File("s1/lost.txt", "l", Local(2024, 1, 10));
  t.File("s1/stuck.txt", "s", Local(2024, 1, 10));
  t.Folder("out/stuck.txt");  // a folder where the file would go: it stays, ticked
  t.File("out/old.txt", "old", Local(2024, 1, 10));
  form->Option5->click();
  List(folders);
  form->PushButton6_Click();
  EXPECT_EQ(CaptionOf(Page2().PushButton3), "Move Checked To New Location");
  Find(Page2().Option3, QDate(2024, 1, 10));
  ASSERT_EQ(Rows().size(), 11u);
  for (std::size_t r = 0; r < Rows().size(); ++r)
    Page2().model().SetTicked(
        r, Rows()[r] != t.Path("s1/keep.txt") && Rows()[r] != t.Path("s1/lost.txt"));
  std::filesystem::remove(t.Path("s1/gone.txt"));
  std::filesystem::remove(t.Path("s1/lost.txt"));  // unticked: its row stays
  Page2().PushButton3_Click();

  EXPECT_EQ(Sorted(Rows()),
            Sorted({t.Path("s1/keep.txt"), t.Path("s1/lost.txt"), t.Path("s1/stuck.txt")}));
  for (std::size_t r = 0; r < Rows().size(); ++r)  // each row keeps its own tick
    EXPECT_EQ(Page2().model().Ticked(r), Rows()[r] == t.Path("s1/stuck.txt")) << Rows()[r];
  EXPECT_EQ(t.Read("out/same.txt"), "card 1");
  for (int i = 2; i <= 7; ++i)
    EXPECT_EQ(t.Read("out/same (" + std::to_string(i) + ").txt"), "card " + std::to_string(i));
  EXPECT_EQ(t.Read("out/old.txt"), "old");
  ASSERT_EQ(ui.Failures().size(), 2u);  // the one gone, the one stuck
  EXPECT_NE(ui.Failures()[0].find("FSOFileMove at line 104"), std::string::npos);
  EXPECT_EQ(Infos(), (std::vector<std::string>{
                         "6 of the moved files were given a new name: a file of the same name was "
                         "already moved there.\r\n\r\nsame.txt \u2192 same (2).txt\r\nsame.txt "
                         "\u2192 same (3).txt\r\nsame.txt \u2192 same (4).txt\r\nsame.txt "
                         "\u2192 same (5).txt\r\nsame.txt \u2192 same (6).txt\r\n... and 1 more",
                         "Done."}));
}

#ifndef _WIN32  // a copy has a name from its start on Windows, which has no unnamed file
TEST_F(Form2Page, NoTemporaryFileExistsWheneverTheWindowCouldClose) {
  for (int i = 0; i < 5; ++i) t.File("s/f" + std::to_string(i), "new", Local(2024, 1, 10));
  for (int i = 0; i < 5; ++i) t.File("out/f" + std::to_string(i), "old");
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().PushButton4_Click();
  std::vector<std::string> seen;
  ui.on_yield = [&] {  // events run here: a close would end the program at this point
    for (const auto& e : std::filesystem::directory_iterator(t.Path("out")))
      if (e.path().filename().string().find(".lark-") != std::string::npos)
        seen.push_back(e.path().string());
  };
  Page2().PushButton3_Click();
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(t.Read("out/f4"), "new");
}
#endif

TEST_F(Form2Page, MovingIntoTheFilesOwnFolderKeepsIt) {
  t.File("s/x.txt", "x", Local(2024, 1, 10));
  form->Option5->click();
  List({t.Path("s")});
  form->PushButton6_Click();
  form->Text1->setText(QString::fromStdString(t.Path("s")));
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().PushButton4_Click();
  Page2().PushButton3_Click();
  EXPECT_EQ(t.Read("s/x.txt"), "x");
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_TRUE(ui.Failures().empty());
  EXPECT_EQ(Infos()[0], "1 of the ticked files was already in the destination folder, so "
                        "nothing was done:\r\n\r\n" + t.Path("s/x.txt"));
}

TEST_F(Form2Page, NoTickedRowGivesDoneAndNothingElse) {
  t.File("s/x.txt", "x", Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  ui.boxes.clear();
  Page2().PushButton3_Click();
  EXPECT_EQ(Infos(), (std::vector<std::string>{"Done."}));
  EXPECT_EQ(ui.boxes.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(t.Path("out/x.txt")));
}

TEST_F(Form2Page, BothPagesCarryTheApplicationIconInItsFourSizes) {
  t.File("s/a.txt", "", Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  QList<int> sizes;
  for (const QSize& size : QIcon(":/larkspur-suite.ico").availableSizes()) sizes << size.width();
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (QList<int>{32, 48, 128, 256}));
  for (QWidget* page : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(&Page2())})
    EXPECT_EQ(page->windowIcon().availableSizes().size(), 4) << page->objectName().toStdString();
}

TEST_F(Form2Page, RealMouseMovesShowTheHandOverButtonsOnly) {
  t.File("s/a.txt", "", Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  Form2& page = Page2();
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  struct Case {
    QWidget* widget;
    int pointer;
    bool border;
  } cases[] = {
      {page.PushButton1, 99, false}, {page.Frame1, 0, true},        {page.PushButton3, 99, false},
      {page.DTPicker1, 0, false},    {page.PushButton4, 99, false}, {page.Option2, 0, false},
      {page.PushButton7, 99, false}, {page.ListView1, 0, false},    {page.PushButton2, 99, false},
      {page.Label1, 0, false},       {page.PushButton6, 99, false}, {&page, 0, true}};
  for (const auto& c : cases) {
    MoveOver(c.widget, c.border);
    EXPECT_EQ(page.MousePointer(), c.pointer) << c.widget->objectName().toStdString();
  }
}

TEST_F(Form2Page, PickersShowFourDigitYearsAndEachControlIsNamedForWhatItIsFor) {
  settings->set_patterns({"M/d/yyyy", "h:mm:ss AP"});  // en_US, with its year made four digits
  t.File("s/a.txt", "", Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  Page2().DTPicker1->setDate(QDate(1601, 1, 1));
  EXPECT_EQ(Page2().DTPicker1->text(), "1/1/1601");
  // A date typed over a selected one replaces it; F4 and Alt+Down open the calendar, leaving it.
  Page2().DTPicker1->selectAll();
  QTest::keyClicks(Page2().DTPicker1, "3/6/2024");
  for (const auto key : {QKeyCombination(Qt::Key_F4), Qt::ALT | Qt::Key_Down}) {
    QTest::keyClick(Page2().DTPicker1, key.key(), key.keyboardModifiers());
    EXPECT_TRUE(Page2().DTPicker1->calendarWidget()->isVisible());
    Page2().DTPicker1->calendarWidget()->window()->hide();
    EXPECT_EQ(Page2().DTPicker1->date(), QDate(2024, 3, 6));
  }
  const std::pair<QWidget*, QString> names[] = {
      {Page2().DTPicker1, "After this date:"},
      {Page2().DTPicker2, "Before this date:"},
      {Page2().DTPicker3, "On this date:"},
      {Page2().DTPicker4, "Between: first day"},
      {Page2().DTPicker5, "Between: last day"},
      {Page2().ListView1, "Files found"},
      {form->ListView1, "Folders to search"},
      {form->PushButton4, "Choose the destination folder"}};
  for (const auto& [control, name] : names)
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), name);
  // A row is read as its path, then whether it is ticked.
  Find(Page2().Option3, QDate(2024, 1, 10));
  QAbstractItemModel* rows = Page2().ListView1->model();
  Page2().ListView1->doItemsLayout();           // as showing the list does
  auto cell = [&]() -> QAccessibleInterface* {  // the row's cell that names its path
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(Page2().ListView1);
    for (int i = 0; i < view->childCount(); ++i)
      if (view->child(i)->text(QAccessible::Name).toStdString() == t.Path("s/a.txt"))
        return view->child(i);
    return nullptr;
  };
  ASSERT_NE(cell(), nullptr);
  EXPECT_EQ(cell()->text(QAccessible::Description), "not checked");
  rows->setData(rows->index(0, 0), Qt::Checked, Qt::CheckStateRole);
  EXPECT_EQ(cell()->text(QAccessible::Description), "checked");
  EXPECT_TRUE(cell()->state().checked);
  // One object has the focus: the current cell only while its list has it.
  QApplication::setActiveWindow(&Page2());
  Page2().ListView1->setFocus();
  Page2().ListView1->setCurrentIndex(rows->index(0, 0));
  Page2().PushButton4->setFocus();
  EXPECT_FALSE(cell()->state().focused);
  Page2().ListView1->setFocus();
  EXPECT_TRUE(cell()->state().focused);
}

TEST_F(Form2Page, CopiesPassedOverAreCountedBeforeDone) {
  t.File("s/a.txt", "a", Local(2024, 1, 10));
  t.File("s/b.txt", "b", Local(2024, 1, 10));
  t.File("out/b.txt", "old");
  chmod(t.Path("out/b.txt").c_str(), 0444);
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().PushButton4_Click();
  struct Case {
    std::string destination, first_line;
    std::vector<std::string> named;  // each file with why
  } cases[] = {{t.Path("out/"),
                "1 of the ticked files was not copied",
                {t.Path("s/b.txt") + ": " + t.Path("out/b.txt") + " is read-only"}},
               {t.Path("nowhere/"),
                "2 of the ticked files were not copied",
                {t.Path("s/a.txt") + ": Path not found: the folder " + t.Path("nowhere/"),
                 t.Path("s/b.txt") + ": Path not found"}}};
  for (const Case& c : cases) {
    form->Text1->setText(QString::fromStdString(Slashed(c.destination)));  // boxes say it natively
    ui.boxes.clear();
    Page2().PushButton3_Click();
    ASSERT_EQ(Infos().size(), 2u) << c.destination;
    EXPECT_EQ(Infos()[0].rfind(c.first_line, 0), 0u) << Infos()[0];
    for (const auto& path : c.named) {
      const std::size_t at = Infos()[0].find("\r\n" + path);
      EXPECT_NE(at, std::string::npos) << path;
      EXPECT_EQ(Infos()[0].find("\r\n" + path, at + 1), std::string::npos) << "twice: " << path;
    }
    EXPECT_EQ(Infos()[1], "Done.");
  }
  EXPECT_EQ(t.Read("out/a.txt"), "a");
  EXPECT_EQ(t.Read("out/b.txt"), "old");
  // A second click while the transfer runs is ignored: one pass, one box.
  t.Folder("out2");
  form->Text1->setText(QString::fromStdString(t.Path("out2/")));
  ui.boxes.clear();
  bool clicked = false;
  ui.on_yield = [&] {
    if (!std::exchange(clicked, true)) Page2().PushButton3_Click();
  };
  Page2().PushButton3_Click();
  EXPECT_EQ(Infos(), std::vector<std::string>{"Done."});
}

TEST_F(Form2Page, AFindDuringAMoveLeavesTheNewListAlone) {
  t.File("s/a.txt", "a", Local(2024, 1, 10));
  t.File("s/b.txt", "b", Local(2024, 1, 10));
  t.File("s/c.txt", "c", Local(2024, 2, 10));
  form->Option5->click();
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().PushButton4_Click();
  bool once = false;
  ui.on_yield = [&] {
    if (std::exchange(once, true)) return;
    Find(Page2().Option3, QDate(2024, 2, 10));  // the user finds again mid-move
  };
  Page2().PushButton3_Click();
  ui.on_yield = nullptr;
  EXPECT_EQ(t.Read("out/a.txt"), "a");  // the move kept to the rows it started with
  EXPECT_EQ(t.Read("out/b.txt"), "b");
  EXPECT_EQ(t.Read("s/c.txt"), "c");
  EXPECT_EQ(Rows(), (std::vector<std::string>{t.Path("s/c.txt")}));
  EXPECT_TRUE(ui.Failures().empty());
}

TEST_F(Form2Page, WhatTheUserDoesDuringAPassNeitherLosesAFileNorFailsIt) {
  const auto back_and_next = [&] {
    Page2().PushButton2_Click();
    form->PushButton6_Click();  // the candidates are collected anew
  };
  std::size_t mine = 0;  // the row of out/x.txt
  const auto tick_mine = [&] { Page2().model().SetTicked(mine, true); };
  const auto save_again = [&] { Page2().PushButton6_Click(); };
  struct Case {
    const char* name;
    bool move;  // else the list saved as list.txt, a new name
    int at_yield;
    std::function<void()> meanwhile;
    std::string out_x, numbered;  // what out/x.txt and out/x (2).txt hold after a move
  } cases[] = {
      // After the move looked for ticked sources, before it renames.
      {"a tick during a move", true, 4, tick_mine, "mine", "new"},
      {"back and next during a move", true, 2, back_and_next, "new", ""},
      {"back and next during a save", false, 2, back_and_next, "", ""},
      {"a save to the same new name during a save", false, 2, save_again, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* made : {"list.txt", "out/x (2).txt"}) std::filesystem::remove(t.Path(made));
    t.File("s/x.txt", "new", Local(2024, 1, 10));
    t.File("out/x.txt", "mine", Local(2024, 1, 10));
    form->ListView1->clear();
    (c.move ? form->Option5 : form->Option4)->click();
    List({t.Path("s"), t.Path("out")});
    form->PushButton6_Click();
    Find(Page2().Option3, QDate(2024, 1, 10));
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    mine = rows[0] == t.Path("out/x.txt") ? 0 : 1;
    Page2().model().SetTicked(1 - mine, true);
    ui.boxes.clear();
    ui.yields = 0;
    ui.save_names = {t.Path("list.txt"), t.Path("list.txt")};
    bool once = false;
    ui.on_yield = [&] {
      if (ui.yields == c.at_yield && !std::exchange(once, true)) c.meanwhile();
    };
    (c.move ? Page2().PushButton3 : Page2().PushButton6)->click();
    ui.on_yield = nullptr;
    EXPECT_TRUE(ui.Failures().empty()) << ui.Failures()[0];
    if (c.move) {
      EXPECT_EQ(t.Read("out/x.txt"), c.out_x);
      EXPECT_EQ(t.Read("out/x (2).txt"), c.numbered);
      EXPECT_EQ(Infos().back(), "Done.");
    } else {
      EXPECT_EQ(t.Read("list.txt"), rows[0] + "\r\n" + rows[1] + "\r\n");
    }
    EXPECT_EQ(Page2().MousePointer(), Page::kDefault);
  }
}

TEST_F(Form2Page, ASecondNextDuringNextIsIgnored) {
  t.File("s/a.txt", "a", Local(2024, 1, 10));
  List({t.Path("s")});
  bool once = false;
  ui.on_yield = [&] {
    if (!std::exchange(once, true)) form->PushButton6_Click();
  };
  form->PushButton6_Click();
  ui.on_yield = nullptr;
  EXPECT_EQ(Page2().model().candidates()->paths.size(), 1u);
  Find(Page2().Option3, QDate(2024, 1, 10));
  EXPECT_EQ(Rows(), (std::vector<std::string>{t.Path("s/a.txt")}));
}

TEST_F(Form2Page, PageTwoStaysWhollyOnASmallScreen) {
  t.File("s/a.txt", "", Local(2024, 1, 10));
  List({t.Path("s")});
  const QRect area = form->screen()->availableGeometry();
  struct Case {
    QPoint page1;
    QPoint page2;
  } cases[] = {{{20, 10}, {20, 10}},  // room enough: page 2 opens where page 1 stood
               {{area.right() - 100, area.bottom() - 100}, {}}};
  for (const Case& c : cases) {
    form->move(c.page1);
    form->PushButton6_Click();
    const QRect page2(Page2().pos(), Page2().frameGeometry().size());
    EXPECT_TRUE(area.contains(page2)) << page2.x() << "," << page2.y();
    if (!c.page2.isNull()) {
      EXPECT_EQ(page2.topLeft(), c.page2);
    }
    EXPECT_EQ(Page2().height(), Twips(&Page2(), 8295));  // moved, never resized
    Page2().PushButton2_Click();
  }
}

#ifndef _WIN32  // which file is open is read from /proc
TEST_F(Form2Page, ClosingMidCopyEndsAtOnceAndLeavesNothingPartial) {
  const std::string big(3u << 20, 'b');  // three chunks: the copy yields between them
  for (bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replacing" : "new file");
    t.File("s/big.bin", big, Local(2024, 1, 10));
    if (replace) t.File("out/big.bin", "old");
    form->Option4->click();
    List({t.Path("s")});
    form->PushButton6_Click();
    Find(Page2().Option3, QDate(2024, 1, 10));
    Page2().PushButton4_Click();
    ui.boxes.clear();
    ui.on_yield = [this] {
      if (Reading(t.Path("s/big.bin"))) Page2().close();
    };
    Page2().PushButton3->click();
    ui.on_yield = nullptr;
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.boxes.empty());  // no "Done."
    EXPECT_EQ(Names(t.Path("out")),
              replace ? std::vector<std::string>{"big.bin"} : std::vector<std::string>{});
    if (replace) {
      EXPECT_EQ(t.Read("out/big.bin"), "old");
    }
    ui.ended = false;
    form->ListView1->clear();
  }
}
#endif

TEST_F(Form2Page, SaveLeavesAReadOnlyFileAndClosingMidSaveLeavesNoFile) {
  for (int i = 0; i < 3; ++i) t.File("s/f" + std::to_string(i), "", Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  t.File("ro.txt", "old");
  chmod(t.Path("ro.txt").c_str(), 0444);
  ui.save_names = {t.Path("ro.txt"), t.Path("list.txt")};
  ui.answers = {true};
  Page2().PushButton6->click();
  EXPECT_EQ(t.Read("ro.txt"), "old");
  ASSERT_EQ(ui.Failures().size(), 1u);
  EXPECT_EQ(
      ui.Failures()[0].rfind("Permission denied\r\nin Larkmere2021/08/31.Form2.PushButton6_Click "
                             "at line 110",
                             0),
      0u);

  ui.on_yield = [this] {
    if (ui.yields == 2) Page2().close();
  };
  ui.yields = 0;
  Page2().PushButton6->click();
  EXPECT_TRUE(ui.ended);
  std::vector<std::string> expected = {"out", "program", "ro.txt", "s", "settings.ini"};
  EXPECT_EQ(Names(t.root()), expected);
}

TEST_F(Form2Page, SaveWritesEveryRowWithCrLfAndReplacesOnlyWhenComplete) {
  t.File("s/a.txt", "", Local(2024, 1, 10));
  t.File("s/b.txt", "", Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().model().SetTicked(0, true);
  const std::string expected = Rows()[0] + "\r\n" + Rows()[1] + "\r\n";

  ui.save_names = {"", t.Path("list.txt")};
  Page2().PushButton6_Click();  // cancelled: nothing at all
  EXPECT_TRUE(ui.boxes.empty());
  Page2().PushButton6_Click();
  EXPECT_EQ(t.Read("list.txt"), expected);
  EXPECT_EQ(ui.dialog_titles.back(), "Save");

  t.File("list.txt", "old");
  ui.save_names = {Slashed(t.Path("list.txt")), t.Path("list.txt")};
  ui.answers = {false, true};
  Page2().PushButton6_Click();
  EXPECT_EQ(t.Read("list.txt"), "old");
  EXPECT_EQ(ui.boxes.back().text,
            "Are you sure you wish to overwrite " + t.Path("list.txt") + " ?");
  Page2().PushButton6_Click();
  EXPECT_EQ(t.Read("list.txt"), expected);

  ui.save_names = {t.Path("out")};  // a folder cannot be replaced by a file
  Page2().PushButton6_Click();
  EXPECT_EQ(ui.Failures().size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(t.Path("out")));
  EXPECT_EQ(Page2().MousePointer(), Page::kDefault);
  std::vector<std::string> stray;
  for (const auto& e : std::filesystem::directory_iterator(t.root()))
    if (e.path().filename().string().find(".lark-") != std::string::npos)
      stray.push_back(e.path().string());
  EXPECT_TRUE(stray.empty());

  Find(Page2().Option3, QDate(1999, 1, 1));
  ui.save_names = {t.Path("empty.txt")};
  Page2().PushButton6_Click();
  EXPECT_TRUE(std::filesystem::exists(t.Path("empty.txt")));
  EXPECT_EQ(std::filesystem::file_size(t.Path("empty.txt")), 0u);
}

TEST_F(Form2Page, ClipboardGetsTheTickedRowsAndSuccessIsSaidOnlyWhenItTook) {
  t.File("s/a.txt", "", Local(2024, 1, 10, 0, 0));
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().PushButton4_Click();
  Page2().PushButton7_Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            t.Path("s/a.txt") + "\t2024-01-10\r\n");
  EXPECT_EQ(Infos().back(),
            "Results have been copied to the clipboard.\r\rClick a text area where you normally "
            "type and press Ctrl+V to paste the clipboard.");
  Page2().PushButton5_Click();  // nothing ticked, then no rows at all: left alone
  Page2().PushButton7_Click();
  Find(Page2().Option3, QDate(1999, 1, 1));
  Page2().PushButton7_Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            t.Path("s/a.txt") + "\t2024-01-10\r\n");
  EXPECT_EQ(Infos(), (std::vector<std::string>{
                         Infos()[0], "Nothing was copied to the clipboard: no row is ticked.",
                         "Nothing was copied to the clipboard: the list is empty."}));
}

#ifndef _WIN32  // the launcher entry is a Linux desktop's
TEST_F(Form2Page, ATransferShowsItsProgressOnTheTaskBarUntilItEnds) {
  // A session bus of the test's own, and a listener on it.
  QProcess bus, monitor;
  bus.start("dbus-daemon", {"--session", "--print-address", "--nofork"});
  ASSERT_TRUE(bus.waitForReadyRead(5000));
  const QString address = QString::fromUtf8(bus.readLine()).trimmed();
  monitor.start("dbus-monitor", {"--address", address,
                                 "type='signal',interface='com.canonical.Unity.LauncherEntry'"});
  ASSERT_TRUE(monitor.waitForReadyRead(5000));  // listening
  monitor.readAll();
  for (const char* name : {"a", "b", "c"})
    t.File(std::string("s/") + name, std::string(100000, *name), Local(2024, 1, 10));
  List({t.Path("s")});
  form->PushButton6_Click();
  Find(Page2().Option3, QDate(2024, 1, 10));
  Page2().PushButton4_Click();
  LauncherProgress launcher(QDBusConnection::connectToBus(address, "progress-test"));
  ui.on_progress = [&](double f) { f < 0 ? launcher.End() : launcher.Set(f); };
  Page2().PushButton3_Click();
  // Each update: the progress, then whether it shows; the last hides it.
  QString said;
  while (!said.contains("boolean false") && monitor.waitForReadyRead(5000))
    said += QString::fromUtf8(monitor.readAll());
  QList<double> progress;
  QStringList shown;
  for (const QString& line : said.split('\n')) {
    if (line.contains("double ")) progress << line.section("double ", 1).toDouble();
    if (line.contains("boolean ")) shown << line.section("boolean ", 1).trimmed();
  }
  ASSERT_GE(progress.size(), 2);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress[progress.size() - 2], 1.0);  // done, then hidden
  EXPECT_EQ(shown.back(), "false");
  EXPECT_EQ(shown.count("false"), 1);
  monitor.kill();
  bus.kill();
  monitor.waitForFinished();
  bus.waitForFinished();
}
#endif
