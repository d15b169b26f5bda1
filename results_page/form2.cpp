#include "results_page/form2.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeView>

#include "app/date_locale.h"
#include "app/failure_trap.h"
#include "app/settings_store.h"
#include "app/window_qt.h"
#include "app/window_utils.h"
#include "fs/folder_walk.h"
#include "fs/path_rules.h"
#include "results_page/clipboard_qt.h"
#include "results_page/export.h"
#include "results_page/preflight.h"
#include "results_page/transfer.h"
#include "setup_page/form1.h"
#include "setup_page/search_launch.h"

namespace {

constexpr const char* kLoad = "Larkmere2021/08/31.Form2.Form_Load";
constexpr const char* kFind = "Larkmere2021/08/31.Form2.PushButton1_Click";
constexpr const char* kBack = "Larkmere2021/08/31.Form2.PushButton2_Click";
constexpr const char* kTransfer = "Larkmere2021/08/31.Form2.PushButton3_Click";
constexpr const char* kSelectAll = "Larkmere2021/08/31.Form2.PushButton4_Click";
constexpr const char* kUnselectAll = "Larkmere2021/08/31.Form2.PushButton5_Click";
constexpr const char* kSave = "Larkmere2021/08/31.Form2.PushButton6_Click";
constexpr const char* kClipboard = "Larkmere2021/08/31.Form2.PushButton7_Click";

// A date field as a desktop's: F4 and Alt+Down (or Alt+Up) open its
// calendar, as they open a drop-down list, rather than step the date; a
// whole date typed over a selected one takes its place.
class DatePicker : public QDateEdit {
 public:
  using QDateEdit::QDateEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    const int key = event->key();
    if ((key == Qt::Key_F4 && !alt) || (alt && (key == Qt::Key_Down || key == Qt::Key_Up))) {
      // The calendar opens where a click on the field's arrow opens it.
      QStyleOptionComboBox arrow;
      arrow.initFrom(this);
      arrow.editable = true;
      arrow.subControls = QStyle::SC_All;
      const QPoint at =
          style()
              ->subControlRect(QStyle::CC_ComboBox, &arrow, QStyle::SC_ComboBoxArrow, this)
              .center();
      QMouseEvent press(QEvent::MouseButtonPress, at, mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      mousePressEvent(&press);
      return;
    }
    // A date typed over the whole field fills it from its first part, as
    // typed, rather than the part the cursor was in; a separator typed just
    // after a part filled up and moved on is the one already passed.
    const QString typed = event->text();
    const bool digit = !typed.isEmpty() && typed[0].isDigit();
    if (digit && lineEdit()->selectedText() == lineEdit()->text()) setSelectedSection(sectionAt(0));
    if (!digit && typed.size() == 1 && typed[0].isPunct() && moved_on_) {
      moved_on_ = false;
      return;
    }
    const Section before = currentSection();
    QDateEdit::keyPressEvent(event);
    moved_on_ = digit && currentSection() != before;
  }

 private:
  bool moved_on_ = false;  // the last digit filled its part, and the next has the cursor
};

// A picker in the locale's short date with a four-digit year, named for
// screen readers after the option it belongs to.
QDateEdit* MakePicker(QWidget* parent, const QString& name, const QString& spoken,
                      const DatePatterns& patterns, int left, int top, int width, int height) {
  auto* picker = new DatePicker(parent);
  picker->setObjectName(name);
  picker->setAccessibleName(QString(spoken).remove(QChar('&')));  // the words, not the access key
  picker->setDisplayFormat(QString::fromStdString(patterns.short_date));
  picker->setCalendarPopup(true);
  picker->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
  PlaceTwips(picker, left, top, width, height);
  return picker;
}

}  // namespace

Form2::Form2(UiServices& ui, SettingsStore& settings, QString program_folder, Form1& form1)
    : Page(ui, std::move(program_folder), 8040, 8295), settings_(settings), form1_(form1) {
  setObjectName("Form2");
  PushButton2 = MakeButton(this, "PushButton2", "< &Back", 120, 120, 7800, 405);
  Frame1 = Make<QGroupBox>(this, "Frame1", "Select Range", 120, 590, 7800, 2895);
  const char* captions[] = {
      "&After this date:", "Be&fore this date:", "&On this date:", "Bet&ween:"};
  WideRadioButton** options[] = {&Option1, &Option2, &Option3, &Option4};
  for (int i = 0; i < 4; ++i) {
    *options[i] = Make<WideRadioButton>(Frame1, QString("Option%1").arg(i + 1), captions[i], 240,
                                        360 + 480 * i, 1935, 375);
  }
  const DatePatterns& patterns = settings.patterns();
  DTPicker1 = MakePicker(Frame1, "DTPicker1", captions[0], patterns, 2280, 360, 5295, 375);
  DTPicker2 = MakePicker(Frame1, "DTPicker2", captions[1], patterns, 2280, 840, 5295, 375);
  DTPicker3 = MakePicker(Frame1, "DTPicker3", captions[2], patterns, 2280, 1320, 5295, 375);
  DTPicker4 =
      MakePicker(Frame1, "DTPicker4", "Between: first day", patterns, 2280, 1800, 4815, 375);
  Label1 = Make<QLabel>(Frame1, "Label1", "and", 7200, 1845, 375, 375);
  DTPicker5 = MakePicker(Frame1, "DTPicker5", "Between: last day", patterns, 2280, 2280, 5295, 375);
  PushButton1 = MakeButton(this, "PushButton1", "&Start Finding", 120, 3620, 7800, 405);
  ListView1 = new QTreeView(this);
  ListView1->setObjectName("ListView1");
  model_ = new ResultModel(settings.patterns(), this);
  ListView1->setModel(model_);
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setToolTip("Move | line to right and out of window to reveal full names.");
  ListView1->setAccessibleName("Files found");
  ListView1->setAccessibleDescription(ListView1->toolTip());
  ListView1->header()->setStretchLastSection(false);
  PlaceTwips(ListView1, 120, 4125, 7800, 2535);
  CurrentOnlyWhenFocused(ListView1);
  PushButton4 = MakeButton(this, "PushButton4", "Se&lect All", 120, 6760, 3840, 405);
  PushButton5 = MakeButton(this, "PushButton5", "&Unselect All", 4080, 6760, 3840, 405);
  PushButton7 = MakeButton(this, "PushButton7", "Copy &Results To Clipboard", 120, 7270, 3840, 405);
  PushButton6 =
      MakeButton(this, "PushButton6", "Save Results As &Text File", 4080, 7270, 3840, 405);
  PushButton3 =
      MakeButton(this, "PushButton3", "&Copy Checked To New Destination", 120, 7780, 7800, 405);

  for (QWidget* w : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Label1),
                     static_cast<QWidget*>(ListView1), ListView1->viewport()})
    HoverSets(w, kDefault);
  for (int n = 1; n <= 5; ++n) HoverSets(Picker(n), kDefault);
  for (int n = 1; n <= 4; ++n) {
    HoverSets(RangeOption(n), kDefault);
    connect(RangeOption(n), &QRadioButton::clicked, this, [this, n] { RangeOption_Click(n); });
  }
  for (int n = 1; n <= 5; ++n)
    connect(Picker(n), &QDateEdit::dateChanged, this, [this, n] { DTPicker_Change(n); });
  OnClick(PushButton1, [this] { PushButton1_Click(); });
  OnClick(PushButton2, [this] { PushButton2_Click(); });
  OnClick(PushButton3, [this] { PushButton3_Click(); });
  OnClick(PushButton4, [this] { PushButton4_Click(); });
  OnClick(PushButton5, [this] { PushButton5_Click(); });
  OnClick(PushButton6, [this] { PushButton6_Click(); });
  OnClick(PushButton7, [this] { PushButton7_Click(); });
}

QDateEdit* Form2::Picker(int n) const {
  QDateEdit* pickers[] = {DTPicker1, DTPicker2, DTPicker3, DTPicker4, DTPicker5};
  return pickers[n - 1];
}

WideRadioButton* Form2::RangeOption(int n) const {
  WideRadioButton* options[] = {Option1, Option2, Option3, Option4};
  return options[n - 1];
}

void Form2::Form_Load() {
  FailureTrap trap(ui(), kLoad);
  trap.Step(100, [&] { ResetFormColors(this); });
  trap.Step(102, [&] { SetCaptionAndIcon(); });
  bool cursor_present = false;
  trap.Step(106, [&] { cursor_present = HandCursorPresent(); });
  if (cursor_present) trap.Step(108, [&] { LoadCustomPointer(HandCursorFile()); });
  for (int n = 1; n <= 5; ++n) {
    trap.Step(108 + 2 * n,
              [&] { Picker(n)->setDate(settings_.ReadDate(settings_keys::kPickers[n - 1])); });
  }
  for (int n = 1; n <= 4; ++n) {
    trap.Step(118 + 2 * n, [&] {
      const bool value = settings_.ReadFlag(settings_keys::kRangeOptions[n - 1]);
      SetOption(RangeOption(n), value);
      if (value) RangeOption_Click(n);
    });
  }
  trap.Step(128, [&] {
    for (int n = 1; n <= 4; ++n) {
      if (RangeOption(n)->isChecked()) {
        EnablePickersFor(n);
        break;
      }
    }
  });
}

void Form2::EnablePickersFor(int option) {
  for (int n = 1; n <= 5; ++n) Picker(n)->setEnabled(option == 4 ? n >= 4 : n == option);
}

void Form2::RangeOption_Click(int option) {
  for (int n = 1; n <= 4; ++n)
    settings_.WriteFlag(settings_keys::kRangeOptions[n - 1], RangeOption(n)->isChecked());
  EnablePickersFor(option);
}

void Form2::SelectOption(QRadioButton* option) {
  option->setChecked(true);
  for (int n = 1; n <= 4; ++n)
    if (RangeOption(n) == option) RangeOption_Click(n);
}

void Form2::DTPicker_Change(int picker) {
  settings_.WriteDate(settings_keys::kPickers[picker - 1], Picker(picker)->date());
}

void Form2::SetColumns(const QString& path_heading, const QString& date_heading) {
  QStringList headers{path_heading};
  if (!date_heading.isEmpty()) headers << date_heading;
  model_->SetHeaders(headers);
  ListView1->setColumnWidth(ResultModel::kPath, Twips(this, 5000));
  ListView1->setColumnWidth(ResultModel::kDate, Twips(this, 2000));
}

RangeKind Form2::ChosenRange() const {
  if (Option1->isChecked()) return RangeKind::kAfter;
  if (Option2->isChecked()) return RangeKind::kBefore;
  if (Option3->isChecked()) return RangeKind::kOn;
  if (Option4->isChecked()) return RangeKind::kBetween;
  return RangeKind::kNone;
}

void Form2::PushButton1_Click() {
  FailureTrap trap(ui(), kFind);
  if (busy()) return;
  LongPass pass(*this, LongPass::kExclusive);
  trap.Step(104, [&] { pass.Hourglass(); });
  const std::shared_ptr<const CandidateLists> candidates = model_->candidates();
  trap.Step(114, [&] { model_->Clear(); });
  std::vector<std::uint32_t> rows;
  trap.Step(116, [&] {
    const RangeKind kind = ChosenRange();
    QDateEdit* first = kind == RangeKind::kBefore    ? DTPicker2
                       : kind == RangeKind::kOn      ? DTPicker3
                       : kind == RangeKind::kBetween ? DTPicker4
                                                     : DTPicker1;
    rows = FindInRange(
        candidates->dates, kind, [first] { return DayNumberOf(first->date()); },
        [this] { return DayNumberOf(DTPicker5->date()); }, ui());
  });
  trap.Step(208, [&] {
    std::vector<std::uint8_t> ticks(rows.size(), 0);
    RemoveDuplicateRows(rows, ticks, candidates->paths, ui());
    model_->SetResult(candidates, std::move(rows));
  });
}

void Form2::PushButton2_Click() {
  FailureTrap trap(ui(), kBack);
  trap.Step(100, [&] { form1_.show(); });
  trap.Step(102, [&] { hide(); });
}

void Form2::PushButton4_Click() {
  FailureTrap trap(ui(), kSelectAll);
  LongPass pass(*this);
  trap.Step(102, [&] { model_->SetAllTicks(true, [&pass] { pass.Yield(); }); });
}

void Form2::PushButton5_Click() {
  FailureTrap trap(ui(), kUnselectAll);
  LongPass pass(*this);
  trap.Step(102, [&] { model_->SetAllTicks(false, [&pass] { pass.Yield(); }); });
}

void Form2::PushButton3_Click() {
  // A second click while the transfer runs would run one inside the other.
  if (transferring_) return;
  const QScopedValueRollback<bool> running(transferring_, true);
  FailureTrap trap(ui(), kTransfer);
  // The user may act meanwhile: the pass keeps to the rows it started with.
  const RowPass pass(*this, *model_);
  const RowSnapshot& started = pass.rows();
  TransferRows rows;
  rows.count = started.count();
  rows.path = [&started](std::size_t i) { return started.Path(i); };
  rows.ticked = [&started](std::size_t i) { return started.Ticked(i); };
  const auto destination = [this] { return NativeSpelling(form1_.Text1->text().toStdString()); };
  TransferOptions options;
  // Before the first byte: what the whole transfer, or some files, cannot do.
  options.found = [&](const Preflight& found) {
    ui().Information(PreflightMessage(found, destination(), form1_.ChosenTransferKind()));
  };
  const TransferOutcome outcome = TransferChecked(
      rows, destination, [this] { return form1_.ChosenTransferKind(); }, trap, options);
  if (outcome.stopped) return;  // nothing was done, and the box said why
  trap.Step(118, [&] {
    if (started.Current()) model_->RemoveRows(outcome.gone);
    // Each such file was passed over silently; "Done." alone would claim them copied.
    if (!outcome.not_copied.empty()) ui().Information(NotCopiedMessage(outcome.not_copied));
    if (!outcome.in_place.empty()) ui().Information(InPlaceMessage(outcome.in_place));
    if (!outcome.renamed.empty()) ui().Information(RenamedMessage(outcome.renamed));
    if (!outcome.incomplete.empty()) ui().Information(IncompleteMessage(outcome.incomplete));
  });
  trap.Step(120, [&] { ui().Information("Done."); });
}

void Form2::PushButton6_Click() {
  FailureTrap trap(ui(), kSave);
  std::string name;
  trap.Step(100, [&] {
    name =
        NativeSpelling(ui().SaveFileName("Save", "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
  });
  if (name.empty()) return;
  bool yes = true;
  trap.Step(104, [&] {
    if (IsExistingFile(name))
      yes = ui().Question("Are you sure you wish to overwrite " + name + " ?");
  });
  if (!yes) return;
  RowPass pass(*this, *model_);
  trap.Step(108, [&] { pass.Hourglass(); });
  trap.Step(110, [&] {
    const RowSnapshot& started = pass.rows();
    SaveLines(
        name, started.count(), [&started](std::size_t i) { return started.Path(i); }, ui());
  });
}

void Form2::PushButton7_Click() {
  FailureTrap trap(ui(), kClipboard);
  bool copied = false;
  const RowPass pass(*this, *model_);
  const bool done = trap.Step(100, [&] {
    const RowSnapshot& started = pass.rows();
    ListView list;
    list.rows = started.count();
    list.columns = static_cast<std::size_t>(model_->columnCount());
    std::string cell_text;  // the cell asked for last, held while it is read
    list.cell = [&](std::size_t r, std::size_t c) -> std::string_view {
      cell_text = c == ResultModel::kPath ? started.Path(r) : started.DateCell(r).toStdString();
      return cell_text;
    };
    list.ticked = [&started](std::size_t r) { return started.Ticked(r); };
    copied = CopyListViewToClipboard(list, ui());
  });
  // Success is reported only for a copy that took; a failure has said its own.
  if (done)
    trap.Step(102, [&] {
      ui().Information(copied ? "Results have been copied to the clipboard.\r\rClick a text area "
                                "where you normally type and press Ctrl+V to paste the clipboard."
                       : pass.rows().count() == 0
                           ? "Nothing was copied to the clipboard: the list is empty."
                           : "Nothing was copied to the clipboard: no row is ticked.");
    });
}
