#include <sys/stat.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <filesystem>

#include "app/date_locale.h"
#include "app/window_utils.h"
#include "tests/layout_check.h"
#include "tests/page_fixture.h"

using Form1Page = PageTest;

TEST_F(Form1Page, FirstStartSelectsTheDefaultsAndStoresThemAtOnce) {
  Start();
  EXPECT_TRUE(form->Option1->isChecked());
  EXPECT_FALSE(form->Option2->isChecked() || form->Option3->isChecked());
  EXPECT_TRUE(form->Option4->isChecked());
  EXPECT_FALSE(form->Option5->isChecked());
  EXPECT_EQ(form->Text1->text(), DesktopFolderPath());
  EXPECT_EQ(Stored("Path"), DesktopFolderPath());
  EXPECT_EQ(Stored("Option1"), "True");
  EXPECT_EQ(Stored("Option2"), "False");
  EXPECT_EQ(Stored("Option4"), "True");
  EXPECT_EQ(Stored("Option5"), "False");
  EXPECT_EQ(form->windowTitle(), "Larkspur Suite");
  EXPECT_EQ(form->ListView1->headerItem()->text(0), "Folder/s To Search");
  EXPECT_EQ(form->focusWidget(), form->Option1);  // the first tab place
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(Form1Page, FoldersDroppedFromAFileManagerAreAddedOrMadeTheDestinationAndNothingElse) {
  Start();
  t.File("f.txt");
  const QString old = form->Text1->text(), here = QString::fromStdString(t.Path(""));
  const QUrl folder = QUrl::fromLocalFile(here), file = QUrl::fromLocalFile(here + "f.txt");
  const auto drop = [&](QWidget* target, const QList<QUrl>& urls) {  // accepted, then dropped
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    return QApplication::sendEvent(target, &enter) && enter.isAccepted() &&
           QApplication::sendEvent(target, &drop);
  };
  QWidget* list = form->ListView1->viewport();
  EXPECT_FALSE(drop(list, {folder, file}) || drop(list, {QUrl("sftp://host/a")}) ||
               drop(form->Text1, {file}) || drop(form->Text1, {folder, folder}));
  EXPECT_TRUE(Folders().empty() && Stored("Path") == old);
  EXPECT_TRUE(drop(list, {folder, folder}) && drop(form->Text1, {folder}));
  EXPECT_EQ(Folders(), (std::vector<std::string>{t.Path(""), t.Path("")}));
  EXPECT_EQ(Stored("Path"), here);
}

TEST_F(Form1Page, ChoicesComeBackAfterARestart) {
  Store("Option3", "True");
  Store("Option1", "False");
  Store("Option5", "-1");
  Store("Option4", "0");
  Store("Path", "/srv/out");
  Start();
  EXPECT_TRUE(form->Option3->isChecked());
  EXPECT_FALSE(form->Option1->isChecked());
  EXPECT_TRUE(form->Option5->isChecked());
  EXPECT_FALSE(form->Option4->isChecked());
  EXPECT_EQ(form->Text1->text(), "/srv/out");
  EXPECT_EQ(Stored("Option5"), "True");  // written back in the word form
}

TEST_F(Form1Page, ABadStoredFlagFailsItsStepAndTheLoadGoesOn) {
  Store("Option1", "maybe");
  Store("Path", "/srv/out");
  Start();
  ASSERT_EQ(ui.Failures().size(), 1u);
  EXPECT_EQ(ui.Failures()[0].rfind(
                "Type mismatch\r\nin Larkmere2021/08/31.Form1.Form_Load at line 132\r\r", 0),
            0u);
  EXPECT_TRUE(form->Option4->isChecked());
  EXPECT_EQ(form->Text1->text(), "/srv/out");
}

TEST_F(Form1Page, ALoadThatWouldLeaveNoDateOrTransferOptionSelectsTheFirst) {
  const std::vector<std::pair<QString, QString>> stored[] = {
      {{"Option1", "False"}, {"Option2", "False"}, {"Option3", "False"}},
      {{"Option4", "False"}, {"Option5", "False"}},
      {{"Option1", "maybe"}},
      {{"Option1", "0"}, {"Option2", "nonsense"}, {"Option3", "0"}}};
  for (const auto& keys : stored) {
    for (const auto& [key, value] : keys) Store(key, value);
    Start();
    EXPECT_TRUE(form->Option1->isChecked()) << keys[0].second.toStdString();
    EXPECT_EQ(Stored("Option1"), "True");
    EXPECT_EQ(Stored("Option2"), "False");
    EXPECT_TRUE(form->Option4->isChecked());
    EXPECT_EQ(Stored("Option4"), "True");
  }
}

TEST_F(Form1Page, ASettingsFileThatIsNoFileNeverStopsTheStartAndIsSaidOnce) {
  for (const bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "a FIFO" : "a folder");
    std::filesystem::remove_all(SettingsFile().toStdString());
    if (fifo) {
#ifdef _WIN32
      continue;  // Windows has no FIFO in its folders
#else
      mkfifo(SettingsFile().toLocal8Bit().constData(), 0644);
#endif
    } else {
      std::filesystem::create_directory(SettingsFile().toStdString());
    }
    ui.boxes.clear();
    Start();
    EXPECT_TRUE(form->Option1->isChecked() && form->Option4->isChecked());
    form->Option5->click();  // kept for the run, and not said again
    form->Option3->click();
    EXPECT_TRUE(settings->ReadFlag(settings_keys::kTransferOptions[1]));
    EXPECT_EQ(ui.Texts(ScriptedUi::BoxKind::kInformation),
              std::vector<std::string>{"Your choices cannot be stored, so they last until the "
                                       "program ends: " +
                                       SettingsFile().toStdString() + " is not a regular file."});
  }
}

TEST_F(Form1Page, AddFolderListsThePickedFolderWithOneFinalSeparator) {
  Start();
  form->PushButton6->setEnabled(false);
  struct Case {
    std::string picked, listed;
  } cases[] = {
#ifdef _WIN32
      {"C:\\", "C:\\"},
      {"C:\\Data", "C:\\Data\\"},
      {"C:\\Data\\\\Music\\", "C:\\Data\\Music\\"},
      {"\\\\server\\share", "\\\\server\\share\\"},  // a network path keeps its two
      {"C:\\Data", "C:\\Data\\"},
#else
      {"/", "/"},
      {"/data/photos", "/data/photos/"},
      {"/data//music/", "/data/music/"},
      {"/data/photos", "/data/photos/"},
#endif
  };
  ui.folders = {""};
  std::vector<std::string> listed;
  for (const Case& c : cases) {
    ui.folders.push_back(c.picked);
    listed.push_back(c.listed);
  }
  form->PushButton1_Click();  // cancelled
  EXPECT_TRUE(Folders().empty());
  EXPECT_FALSE(form->PushButton6->isEnabled());
  form->PushButton1_Click();
  EXPECT_TRUE(form->PushButton6->isEnabled());  // one folder is enough
  for (std::size_t i = 1; i < std::size(cases); ++i) form->PushButton1_Click();
  EXPECT_EQ(Folders(), listed);
  EXPECT_TRUE(form->PushButton6->isEnabled());
  EXPECT_EQ(form->MousePointer(), Page::kDefault);
  EXPECT_EQ(ui.dialog_titles[0], "Please select folder:");
}

TEST_F(Form1Page, DestinationPickerAddsTheSeparatorAndStoresPath) {
  Start();
  ui.folders = {"", Spelled("/srv/out"), Spelled("/")};
  form->PushButton4_Click();
  EXPECT_EQ(form->Text1->text(), DesktopFolderPath());
  form->PushButton4_Click();
  EXPECT_EQ(form->Text1->text().toStdString(), Spelled("/srv/out/"));
  EXPECT_EQ(Stored("Path").toStdString(), Spelled("/srv/out/"));
  form->PushButton4_Click();
  EXPECT_EQ(form->Text1->text().toStdString(), Spelled("/"));
  QTest::keyClicks(form->Text1, "x");
  EXPECT_EQ(Stored("Path").toStdString(), Spelled("/x"));
}

TEST_F(Form1Page, SamplesAreListedEachTimeAndTheFolderOpensOnYes) {
  Start();
  ui.answers = {false, true};
  form->PushButton3_Click();
  form->PushButton3_Click();
  const std::string p = ProgramFolder().toStdString();
  const std::string one = Separated(p + "/Samples/sample1/"),
                    two = Separated(p + "/Samples/sample2/");
  EXPECT_EQ(Folders(), (std::vector<std::string>{one, two, one, two}));
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].kind, ScriptedUi::BoxKind::kQuestion);
  EXPECT_EQ(ui.boxes[0].text,
            "Would you like this software to open the folder where these sample files are stored "
            "(so that you can view them before working with them)?");
  EXPECT_EQ(ui.opened, (std::vector<std::string>{Separated(p + "/Samples/")}));
}

TEST_F(Form1Page, DoubleClickingTheListRemovesTheSelectedFolder) {
  Start();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ui.folders = {Spelled("/a"), Spelled("/b"), Spelled("/c")};
  for (int i = 0; i < 3; ++i) form->PushButton1_Click();
  QWidget* list = form->ListView1->viewport();
  const QPoint first = form->ListView1->visualItemRect(form->ListView1->topLevelItem(0)).center();
  QTest::mouseClick(list, Qt::LeftButton, {}, first);   // a double-click's first click
  QTest::mouseDClick(list, Qt::LeftButton, {}, first);  // on an item: that one
  EXPECT_EQ(Folders(), (std::vector<std::string>{Spelled("/b/"), Spelled("/c/")}));
  form->ListView1->setCurrentItem(form->ListView1->topLevelItem(1));
  const QPoint below(5, list->height() - 5);
  QTest::mouseClick(list, Qt::LeftButton, {}, below);
  QTest::mouseDClick(list, Qt::LeftButton, {}, below);  // below the items
  EXPECT_EQ(Folders(), (std::vector<std::string>{Spelled("/b/")}));
}

TEST_F(Form1Page, TheKeyboardAddsAndDeleteRemovesTheSelectedFolderUnlessTheHourglassShows) {
  Start();
  ui.folders = {Spelled("/a"), Spelled("/b")};
  QTest::keyClick(form->PushButton1, Qt::Key_Return);  // Return and Enter press a button
  QTest::keyClick(form->PushButton1, Qt::Key_Enter);
  QFocusEvent tabbed_in(QEvent::FocusIn, Qt::TabFocusReason);  // gives the list its first row
  QApplication::sendEvent(form->ListView1, &tabbed_in);
  form->SetMousePointer(Page::kHourglass);
  QTest::keyClick(form->ListView1, Qt::Key_Delete);
  form->ListView1_RemoveSelected();
  EXPECT_EQ(Folders().size(), 2u);
  form->SetMousePointer(Page::kDefault);
  form->ListView1->topLevelItem(0)->setSelected(false);  // current, but not selected
  form->ListView1_RemoveSelected();
  EXPECT_EQ(Folders().size(), 2u);
  form->ListView1->topLevelItem(0)->setSelected(true);
  QTest::keyClick(form->ListView1, Qt::Key_Delete);
  EXPECT_EQ(Folders(), (std::vector<std::string>{Spelled("/b/")}));
  form->ListView1->setCurrentItem(form->ListView1->topLevelItem(0));
  form->ListView1_RemoveSelected();
  EXPECT_TRUE(Folders().empty());
  form->ListView1_RemoveSelected();  // empty list: nothing happens
  EXPECT_TRUE(Folders().empty());
}

TEST_F(Form1Page, HoverSetsThePointerButNeverOverTheHourglass) {
  Start();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  struct Case {
    QWidget* widget;
    int pointer;
    bool border;
  } cases[] = {{form->PushButton1, 99, false}, {form.get(), 0, true},
               {form->PushButton2, 99, false}, {form->Frame2, 0, true},
               {form->PushButton3, 99, false}, {form->Frame3, 0, true},
               {form->PushButton4, 99, false}, {form->Frame5, 0, true},
               {form->PushButton6, 99, false}, {form->ListView1, 0, false},
               {form->PushButton6, 99, false}, {form->Text1, 0, false},
               {form->PushButton6, 99, false}, {form->Option1, 99, false}};  // no hover handling
  for (const auto& c : cases) {
    MoveOver(c.widget, c.border);
    EXPECT_EQ(form->MousePointer(), c.pointer) << c.widget->objectName().toStdString();
  }
  form->SetMousePointer(Page::kHourglass);
  for (const auto& c : cases) MoveOver(c.widget, c.border);
  EXPECT_EQ(form->MousePointer(), Page::kHourglass);
}

TEST_F(Form1Page, OptionClicksStoreTheirWholeGroup) {
  Start();
  QTest::mouseClick(form->Option2, Qt::LeftButton, {}, QPoint(form->Option2->width() - 2, 5));
  EXPECT_TRUE(form->Option2->isChecked());  // a click anywhere in its rectangle
  EXPECT_EQ(Stored("Option1"), "False");
  EXPECT_EQ(Stored("Option2"), "True");
  EXPECT_EQ(Stored("Option3"), "False");
  QTest::mouseClick(form->Option5, Qt::LeftButton, {}, QPoint(form->Option5->width() - 2, 5));
  EXPECT_EQ(Stored("Option4"), "False");
  EXPECT_EQ(Stored("Option5"), "True");
}

TEST_F(Form1Page, HelpShowsTheContactAndClosingEndsTheProgram) {
  Start();
  form->PushButton2_Click();
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].kind, ScriptedUi::BoxKind::kInformation);
  EXPECT_EQ(ui.boxes[0].text.rfind("Questions? Please contact Team Vantrel at https://", 0), 0u);
  EXPECT_NE(ui.boxes[0].text.find("/contact/"), std::string::npos);
  form->show();
  form->close();
  EXPECT_TRUE(ui.ended);
}

TEST_F(Form1Page, EveryControlStandsWhereItsTableSaysWithItsCaptionAndTabPlace) {
  Start();
  EXPECT_EQ(form->size(), QSize(Twips(form.get(), 8040), Twips(form.get(), 6945)));
  ExpectLayout(form.get(),
               {{"ListView1", "", 120, 120, 7800, 2415},
                {"PushButton1", "Add Folder", 120, 2630, 7800, 405},
                {"PushButton2", "Help", 120, 3140, 3840, 405},
                {"PushButton3", "Load Sample/Example Folders", 4080, 3140, 3840, 405},
                {"Frame2", "Find by which date?", 120, 3585, 7800, 735},
                {"Option1", "Date Modified (Recommended)", 240, 300, 3015, 255},
                {"Option2", "Date Created", 3480, 300, 1575, 255},
                {"Option3", "Date Accessed", 5280, 300, 1695, 255},
                {"Frame3", "Save Results To This Folder", 120, 4380, 7800, 810},
                {"Text1", "", 240, 300, 6615, 345},
                {"PushButton4", "...", 6960, 300, 600, 345},
                {"Frame5", "Copy or Move Option", 120, 5250, 7800, 1050},
                {"Option4", "Copy files to new location", 240, 300, 6270, 225},
                {"Option5", "Move (delete and copy) files to new location", 240, 650, 6270, 225},
                {"PushButton6", "Next >", 120, 6420, 7800, 405}});
  EXPECT_EQ(form->PushButton4->parentWidget(), form->Frame3);
  EXPECT_EQ(form->ListView1->columnWidth(0), Twips(form.get(), 6500));
  EXPECT_TRUE(form->font().bold());
  EXPECT_DOUBLE_EQ(form->PushButton1->font().pointSizeF(), 11.25);
  // The table's tab indices, as Tab visits the controls that take focus
  // (frames take none).
  const QWidget* order[] = {form->Option1,     form->Option2,     form->Option3,
                            form->PushButton6, form->Text1,       form->PushButton4,
                            form->Option4,     form->Option5,     form->ListView1,
                            form->PushButton1, form->PushButton2, form->PushButton3};
  std::vector<const QWidget*> seen;
  QWidget* w = form->Option1;
  for (int i = 0; i < 200 && seen.size() < std::size(order); ++i, w = w->nextInFocusChain())
    if (std::find(std::begin(order), std::end(order), w) != std::end(order) &&
        std::find(seen.begin(), seen.end(), w) == seen.end())
      seen.push_back(w);
  EXPECT_EQ(seen, std::vector<const QWidget*>(std::begin(order), std::end(order)));
}

TEST_F(Form1Page, TheHandCursorFileGivesTheCustomPointerItsHotspot) {
  t.Folder("program");
  std::filesystem::copy_file(HAND_CURSOR_FILE, t.Path("program/HAND-M.CUR"));
  Start();
  form->SetMousePointer(Page::kCustom);
  EXPECT_EQ(form->cursor().hotSpot(), QPoint(12, 2));
  EXPECT_FALSE(form->cursor().pixmap().isNull());
}

TEST_F(Form1Page, ACorruptHandCursorFileFailsEveryStepThatLoadsIt) {
  t.File("program/HAND-M.CUR", std::string(64, '\x01'));
  t.File("s/a.txt");
  Start();
  ui.folders = {t.Path("s")};
  form->PushButton1_Click();
  form->Text1->setText(QString::fromStdString(t.root()));
  form->PushButton6_Click();
  const std::string where[] = {"Form1.Form_Load at line 104", "Form2.Form_Load at line 108",
                               "Form1.PushButton6_Click at line 222"};
  ASSERT_EQ(ui.Failures().size(), std::size(where));
  for (std::size_t i = 0; i < std::size(where); ++i)
    EXPECT_EQ(ui.Failures()[i].rfind("Invalid picture\r\nin Larkmere2021/08/31." + where[i], 0), 0u)
        << where[i];
}

TEST_F(Form1Page, TheSkinFileGivesTheWindowTheButtonFaceAndTheTitleIsSet) {
  Start();
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(ApplicationTitle(), "Larkspur");
  t.File("program/x/o.cjs", "skin");
  Start();
  const QColor face = form->palette().color(QPalette::Button);
  EXPECT_EQ(form->palette().color(QPalette::Window), face);
  EXPECT_EQ(form->Frame2->palette().color(QPalette::Window), face);
  EXPECT_EQ(form->Option4->palette().color(QPalette::Window), face);
}
