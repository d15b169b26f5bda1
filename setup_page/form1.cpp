#include "setup_page/form1.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTreeWidget>

#include "app/failure_trap.h"
#include "app/folder_picker.h"
#include "app/settings_store.h"
#include "app/window_qt.h"
#include "app/window_utils.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#include "results_page/form2.h"
#include "setup_page/search_launch.h"

namespace {

constexpr const char* kLoad = "Larkmere2021/08/31.Form1.Form_Load";
constexpr const char* kAddFolder = "Larkmere2021/08/31.Form1.PushButton1_Click";
constexpr const char* kHelp = "Larkmere2021/08/31.Form1.PushButton2_Click";
constexpr const char* kSamples = "Larkmere2021/08/31.Form1.PushButton3_Click";
constexpr const char* kBrowse = "Larkmere2021/08/31.Form1.PushButton4_Click";
constexpr const char* kNext = "Larkmere2021/08/31.Form1.PushButton6_Click";

using namespace settings_keys;

constexpr const char* kContact = "https://www.vantrel.example/contact/";

std::string Std(const QString& s) { return s.toStdString(); }

}  // namespace

Form1::Form1(UiServices& ui, SettingsStore& settings, QString program_folder)
    : Page(ui, std::move(program_folder), 8040, 6945), settings_(settings) {
  setObjectName("Form1");
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName("ListView1");
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setColumnCount(0);
  ListView1->setToolTip(
      "Double-click item to remove it. Move | line to right and out of window to reveal full "
      "names.");
  ListView1->setAccessibleName("Folders to search");
  ListView1->setAccessibleDescription(ListView1->toolTip());
  ListView1->header()->setStretchLastSection(false);
  PlaceTwips(ListView1, 120, 120, 7800, 2415);
  CurrentOnlyWhenFocused(ListView1);
  PushButton1 = MakeButton(this, "PushButton1", "&Add Folder", 120, 2630, 7800, 405);
  PushButton2 = MakeButton(this, "PushButton2", "&Help", 120, 3140, 3840, 405);
  PushButton3 =
      MakeButton(this, "PushButton3", "&Load Sample/Example Folders", 4080, 3140, 3840, 405);
  Frame2 = Make<QGroupBox>(this, "Frame2", "Find by which date?", 120, 3585, 7800, 735);
  Option1 =
      Make<WideRadioButton>(Frame2, "Option1", "Date &Modified (Recommended)", 240, 300, 3015, 255);
  Option2 = Make<WideRadioButton>(Frame2, "Option2", "Date C&reated", 3480, 300, 1575, 255);
  Option3 = Make<WideRadioButton>(Frame2, "Option3", "Date Acc&essed", 5280, 300, 1695, 255);
  Frame3 = Make<QGroupBox>(this, "Frame3", "&Save Results To This Folder", 120, 4380, 7800, 810);
  Text1 = new QLineEdit(Frame3);
  Text1->setObjectName("Text1");
  PlaceTwips(Text1, 240, 300, 6615, 345);
  PushButton4 = MakeButton(Frame3, "PushButton4", "...", 6960, 300, 600, 345);
  PushButton4->setAccessibleName("Choose the destination folder");
  Frame5 = Make<QGroupBox>(this, "Frame5", "Copy or Move Option", 120, 5250, 7800, 1050);
  Option4 =
      Make<WideRadioButton>(Frame5, "Option4", "&Copy files to new location", 240, 300, 6270, 225);
  Option5 = Make<WideRadioButton>(
      Frame5, "Option5", "Mo&ve (delete and copy) files to new location", 240, 650, 6270, 225);
  PushButton6 = MakeButton(this, "PushButton6", "&Next >", 120, 6420, 7800, 405);
  Option4->setChecked(true);

  QWidget* order[] = {Option1, Option2,   Option3,     PushButton6, Frame2,
                      Frame3,  Text1,     PushButton4, Frame5,      Option4,
                      Option5, ListView1, PushButton1, PushButton2, PushButton3};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  for (QWidget* w :
       {static_cast<QWidget*>(Frame2), static_cast<QWidget*>(Frame3), static_cast<QWidget*>(Frame5),
        static_cast<QWidget*>(Text1), static_cast<QWidget*>(ListView1), ListView1->viewport()})
    HoverSets(w, kDefault);
  for (QWidget* w : {Option1, Option2, Option3, Option4, Option5}) HoverSets(w, kUnchanged);
  ListView1->viewport()->installEventFilter(this);
  ListView1->installEventFilter(this);
  ListView1->viewport()->setAcceptDrops(true);

  OnClick(PushButton1, [this] { PushButton1_Click(); });
  OnClick(PushButton2, [this] { PushButton2_Click(); });
  OnClick(PushButton3, [this] { PushButton3_Click(); });
  OnClick(PushButton4, [this] { PushButton4_Click(); });
  OnClick(PushButton6, [this] { PushButton6_Click(); });
  connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
  for (QRadioButton* o : {Option1, Option2, Option3})
    connect(o, &QRadioButton::clicked, this, [this] { DateOption_Click(); });
  for (QRadioButton* o : {Option4, Option5})
    connect(o, &QRadioButton::clicked, this, [this] { TransferOption_Click(); });
}

Form1::~Form1() = default;

void Form1::SetTitles() {
  SetCaptionAndIcon();
  SetAppTitle();
}

void Form1::RestoreOption(WideRadioButton* option, const SettingsStore::Key& key,
                          void (Form1::*click)()) {
  const bool value = settings_.ReadFlag(key);
  SetOption(option, value);
  if (value) (this->*click)();
}

void Form1::Form_Load() {
  FailureTrap trap(ui(), kLoad);
  bool cursor_present = false;
  trap.Step(102, [&] { cursor_present = HandCursorPresent(); });
  if (cursor_present) trap.Step(104, [&] { LoadCustomPointer(HandCursorFile()); });
  trap.Step(106, [&] { ApplySkin(this, program_folder()); });
  trap.Step(108, [&] { SetTitles(); });
  trap.Step(128, [&] { ListView1->setHeaderLabels({"Folder/s To Search"}); });
  trap.Step(130, [&] { ListView1->setColumnWidth(0, Twips(this, 6500)); });
  trap.Step(132, [&] { RestoreOption(Option1, kDateOptions[0], &Form1::DateOption_Click); });
  trap.Step(134, [&] { RestoreOption(Option2, kDateOptions[1], &Form1::DateOption_Click); });
  trap.Step(136, [&] { RestoreOption(Option3, kDateOptions[2], &Form1::DateOption_Click); });
  // Without a date option page 2 would have no date to find by.
  if (!Option1->isChecked() && !Option2->isChecked() && !Option3->isChecked()) {
    SetOption(Option1, true);
    DateOption_Click();
  }
  trap.Step(138,
            [&] { RestoreOption(Option4, kTransferOptions[0], &Form1::TransferOption_Click); });
  trap.Step(140,
            [&] { RestoreOption(Option5, kTransferOptions[1], &Form1::TransferOption_Click); });
  // Without a transfer option the transfer button would have no verb.
  if (!Option4->isChecked() && !Option5->isChecked()) {
    SetOption(Option4, true);
    TransferOption_Click();
  }
  trap.Step(142, [&] { Text1->setText(settings_.Read(kPath)); });
  // The keyboard starts where the tab order does.
  Option1->setFocus();
  // Said once a run: the defaults are stored at once, so a file that cannot
  // take them has shown it by now.
  if (!settings_.problem().isEmpty())
    ui().Information("Your choices cannot be stored, so they last until the program ends: " +
                     settings_.problem().toStdString() + ".");
}

void Form1::DateOption_Click() {
  settings_.WriteFlag(kDateOptions[0], Option1->isChecked());
  settings_.WriteFlag(kDateOptions[1], Option2->isChecked());
  settings_.WriteFlag(kDateOptions[2], Option3->isChecked());
}

void Form1::TransferOption_Click() {
  settings_.WriteFlag(kTransferOptions[0], Option4->isChecked());
  settings_.WriteFlag(kTransferOptions[1], Option5->isChecked());
}

void Form1::Text1_Change() { settings_.Write(kPath, Text1->text()); }

void Form1::AddFolderItem(const QString& path) {
  new QTreeWidgetItem(ListView1, QStringList{path});
}

void Form1::PushButton1_Click() {
  FailureTrap trap(ui(), kAddFolder);
  std::string folder;
  trap.Step(100, [&] { folder = BrowseForFolder(ui(), "Please select folder:", ""); });
  if (!folder.empty()) AddFolder(folder);
}

void Form1::AddFolder(const std::string& folder) {
  FailureTrap trap(ui(), kAddFolder);
  LongPass pass(*this);
  trap.Step(104, [&] { pass.Hourglass(); });
  trap.Step(106, [&] {
    AddFolderItem(QString::fromStdString(NormalizeSlashes(folder + os::kSeparator)));
  });
  trap.Step(112, [&] { PushButton6->setEnabled(ListView1->topLevelItemCount() >= 1); });
}

void Form1::PushButton2_Click() {
  FailureTrap trap(ui(), kHelp);
  trap.Step(100, [&] {
    ui().Information(std::string("Questions? Please contact Team Vantrel at ") + kContact);
  });
}

void Form1::PushButton3_Click() {
  FailureTrap trap(ui(), kSamples);
  trap.Step(100, [&] {
    AddFolderItem(QDir::toNativeSeparators(program_folder() + "/Samples/sample1/"));
  });
  trap.Step(102, [&] {
    AddFolderItem(QDir::toNativeSeparators(program_folder() + "/Samples/sample2/"));
  });
  bool open = false;
  trap.Step(104, [&] {
    open = ui().Question(
        "Would you like this software to open the folder where these sample files are stored "
        "(so that you can view them before working with them)?");
  });
  if (open) {
    trap.Step(106, [&] {
      ui().OpenFolder(Std(QDir::toNativeSeparators(program_folder() + "/Samples/")));
    });
  }
}

void Form1::PushButton4_Click() {
  FailureTrap trap(ui(), kBrowse);
  std::string folder;
  trap.Step(100, [&] { folder = BrowseForFolder(ui(), "Please select folder:", ""); });
  if (!folder.empty()) SetDestination(folder);
}

void Form1::SetDestination(const std::string& folder) {
  FailureTrap trap(ui(), kBrowse);
  trap.Step(104, [&] { Text1->setText(QString::fromStdString(folder)); });
  trap.Step(106, [&] {
    if (!Text1->text().endsWith(QChar(os::kSeparator)))
      Text1->setText(Text1->text() + os::kSeparator);
  });
}

void Form1::ListView1_RemoveSelected() {
  if (MousePointer() == kHourglass || ListView1->topLevelItemCount() == 0) return;
  QTreeWidgetItem* item = ListView1->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  delete item;
}

bool Form1::Dragged(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) ||
      (watched != ListView1->viewport() && watched != Text1))
    return false;
  auto* drag = static_cast<QDropEvent*>(event);
  // Local folders only: a file, or a place on another machine, is no folder
  // to search. A move of the pointer keeps the verdict the drag's entry had:
  // no drive is asked again at each step.
  std::vector<std::string> folders;
  if (type != QEvent::DragMove) {
    for (const QUrl& url : drag->mimeData()->urls())
      if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir())
        folders.push_back(Std(QDir::toNativeSeparators(url.toLocalFile())));
    const auto urls = static_cast<std::size_t>(drag->mimeData()->urls().size());
    taken_ = !folders.empty() && folders.size() == urls &&
             (watched != Text1 || folders.size() == 1) && !busy();
  }
  if (!taken_) {
    // Text that is no folder is typed into the box as any text is.
    if (watched == Text1 && !drag->mimeData()->hasUrls()) return false;
    drag->ignore();
    return true;
  }
  drag->acceptProposedAction();
  if (type != QEvent::Drop) return true;
  if (watched == Text1) {
    SetDestination(folders.front());
  } else {
    for (const std::string& folder : folders) AddFolder(folder);
  }
  return true;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (Dragged(watched, event)) return true;
  // Tabbed into, the list has a row for Delete and the arrows to act on.
  if (watched == ListView1 && event->type() == QEvent::FocusIn &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason &&
      ListView1->topLevelItemCount() > 0 && ListView1->selectedItems().isEmpty())
    ListView1->setCurrentItem(ListView1->currentItem() != nullptr ? ListView1->currentItem()
                                                                  : ListView1->topLevelItem(0));
  if (watched == ListView1 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    ListView1_RemoveSelected();
    return true;
  }
  // A double-click anywhere on the list, on an item or below the last one,
  // removes the selected folder; so a click below the items keeps the
  // selection rather than clearing it.
  const QEvent::Type type = event->type();
  if ((type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonPress) &&
      watched == ListView1->viewport()) {
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (type == QEvent::MouseButtonDblClick) ListView1_RemoveSelected();
    if (ListView1->itemAt(at) == nullptr) return true;
  }
  return Page::eventFilter(watched, event);
}

std::vector<std::string> Form1::Folders() const {
  std::vector<std::string> folders;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
    folders.push_back(Std(ListView1->topLevelItem(i)->text(0)));
  return folders;
}

std::optional<DateKind> Form1::ChosenDateKind() const {
  if (Option1->isChecked()) return DateKind::kModified;
  if (Option2->isChecked()) return DateKind::kCreated;
  if (Option3->isChecked()) return DateKind::kAccessed;
  return std::nullopt;
}

TransferKind Form1::ChosenTransferKind() const {
  if (Option4->isChecked()) return TransferKind::kCopy;
  if (Option5->isChecked()) return TransferKind::kMove;
  return TransferKind::kNone;
}

void Form1::PushButton6_Click() {
  // A find on page 2 reads the candidates that this run would empty.
  if (busy() || (form2_ && form2_->busy())) return;
  LongPass pass(*this, LongPass::kExclusive);
  FailureTrap trap(ui(), kNext);
  Launch(trap, pass);
}

void Form1::Launch(FailureTrap& trap, LongPass& pass) {
  // This run's own candidates: a pass still reading the last ones keeps those.
  auto candidates = std::make_shared<CandidateLists>();
  if (ListView1->topLevelItemCount() == 0) {
    trap.Step(274, [&] { ui().Information("No folders added."); });
    return;
  }
  if (!IsFolder(Std(Text1->text()))) {
    trap.Step(272,
              [&] { ui().Information("Folder does not exist. Please select another folder."); });
    return;
  }
  std::vector<std::size_t> marked;
  std::vector<std::string> listed;
  trap.Step(118, [&] { pass.Yield(); });
  trap.Step(120, [&] { pass.Hourglass(); });
  trap.Step(124, [&] { marked = MarkNestedFolders(listed = Folders()); });
  for (auto it = marked.rbegin(); it != marked.rend(); ++it) {
    const int index = static_cast<int>(*it);
    trap.Step(140, [&] {
      const std::string& folder = listed[*it];
      ui().Information(folder + (std::count(listed.begin(), listed.end(), folder) > 1
                                     ? " will be removed because you added that folder already."
                                     : " will be removed because it is a subfolder of another "
                                       "folder that you added."));
    });
    trap.Step(142, [&] { delete ListView1->takeTopLevelItem(index); });
    trap.Step(144, [&] { pass.Yield(); });
  }
  trap.Step(148, [&] { SetTitles(); });
  for (const std::string& folder : Folders()) {
    trap.Step(158, [&] {
      CollectCandidates(folder, *candidates, ui(), [this] { return ChosenDateKind(); });
    });
  }
  trap.Step(212, [&] { SetTitles(); });
  // Without page 2 there is nothing to show: the failure has been reported.
  if (!PrepareForm2(trap, std::move(candidates))) return;
  trap.Step(264, [&] { SetTitles(); });
  trap.Step(266, [&] {
    form2_->show();
    form2_->Option1->setFocus();  // not "< Back", which Space would press at once
  });
  trap.Step(268, [&] { hide(); });
}

bool Form1::PrepareForm2(FailureTrap& trap, std::shared_ptr<const CandidateLists> candidates) {
  trap.Step(214, [&] {
    if (!form2_) {
      form2_ = std::make_unique<Form2>(ui(), settings_, program_folder(), *this);
      form2_->Form_Load();
    }
    // Page 2 is taller: on a small screen it moves up rather than off it.
    form2_->MoveWithinScreen(pos(), frameGeometry().size() - size());
  });
  if (!form2_) return false;
  trap.Step(218, [&] { form2_->SelectOption(form2_->Option1); });
  trap.Step(220, [&] { form2_->model().SetResult(std::move(candidates), {}); });
  trap.Step(222, [&] {
    if (HandCursorPresent()) form2_->LoadCustomPointer(HandCursorFile());
  });
  const TransferKind transfer = ChosenTransferKind();
  trap.Step(244, [&] {
    form2_->PushButton3->setText(QString("&") + TransferWord(transfer) +
                                 " Checked To New Location");
  });
  trap.Step(246, [&] {
    form2_->SetColumns(
        QString("File(s) found will be ") + TransferVerb(transfer) + " to new location",
        DateHeading(ChosenDateKind()));
  });
  return true;
}
