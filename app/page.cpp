#include "app/page.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "app/failure.h"
#include "app/twips.h"
#include "app/window_qt.h"
#include "app/window_utils.h"
#include "fs/folder_walk.h"

void SetOption(QRadioButton* option, bool value) {
  if (value) {
    option->setChecked(true);
    return;
  }
  if (!option->isChecked()) return;
  // An exclusive option cannot be cleared by itself.
  option->setAutoExclusive(false);
  option->setChecked(false);
  option->setAutoExclusive(true);
}

namespace {

// The share of its size a page takes so that the whole of it, with a title
// bar, fits the screen's available area (at a large scale factor a page
// would run off a small screen): 1 where it fits as it is.
double FitOnScreen(const QWidget* page, int width_twips, int height_twips) {
  const QScreen* screen = page->screen();
  if (screen == nullptr) return 1;
  const QRect area = screen->availableGeometry();
  const double pixels = page->logicalDpiX() / 1440.0;
  // The window's frame is not known before it is shown: a title bar and a border.
  const int border = 4, title = page->style()->pixelMetric(QStyle::PM_TitleBarHeight) + border;
  return std::min({1.0, (area.width() - 2 * border) / (width_twips * pixels),
                   (area.height() - title - border) / (height_twips * pixels)});
}

// A page is a window of its own: a screen reader lists it among the
// desktop's frames, not as a part of one.
QAccessibleInterface* PageAccessible(const QString&, QObject* object) {
  auto* page = dynamic_cast<Page*>(object);
  return page != nullptr ? new QAccessibleWidget(page, QAccessible::Window) : nullptr;
}

}  // namespace

Page::Page(UiServices& ui, QString program_folder, int width_twips, int height_twips)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      ui_(ui),
      program_folder_(std::move(program_folder)) {
  static const bool told = (QAccessible::installFactory(PageAccessible), true);
  static_cast<void>(told);
  setProperty("fit", FitOnScreen(this, width_twips, height_twips));
  QFont font("Arial");
  font.setPointSizeF(9 * Fit());
  font.setBold(true);
  setFont(font);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  setAutoFillBackground(true);
  setFixedSize(Twips(this, width_twips), Twips(this, height_twips));
  HoverSets(this, kDefault);
}

void Page::MoveWithinScreen(QPoint at, QSize decorations) {
  QScreen* under = QGuiApplication::screenAt(at);
  const QRect area = (under != nullptr ? under : screen())->availableGeometry();
  const QSize outer = size() + decorations;
  const int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width()));
  const int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height()));
  move(x, y);
}

QString Page::HandCursorFile() const { return program_folder_ + "/HAND-M.CUR"; }

bool Page::HandCursorPresent() const { return IsExistingFile(HandCursorFile().toStdString()); }

void Page::SetCaptionAndIcon() {
  setWindowTitle(kProductName);
  setWindowIcon(QIcon(":/larkspur-suite.ico"));
}

void Page::LoadCustomPointer(const QString& cursor_file) {
  auto cursor = LoadCursorFile(cursor_file);
  // A file that is there but is no cursor is a failure of the load's step.
  if (!cursor) throw Failure("Invalid picture");
  custom_ = std::move(cursor);
  if (pointer_ == kCustom) SetMousePointer(kCustom);
}

void Page::SetMousePointer(int pointer) {
  pointer_ = pointer;
  if (pointer == kHourglass) {
    setCursor(Qt::WaitCursor);
  } else if (pointer == kCustom) {
    setCursor(custom_ ? *custom_ : QCursor(Qt::PointingHandCursor));
  } else {
    unsetCursor();
  }
}

QPushButton* Page::MakeButton(QWidget* parent, const QString& name, const QString& caption,
                              int left, int top, int width, int height) {
  auto* button = Make<QPushButton>(parent, name, caption, left, top, width, height);
  QFont font("Arial");
  font.setPointSizeF(11.25 * Fit());
  font.setBold(true);
  button->setFont(font);
  HoverSets(button, kCustom);
  return button;
}

void Page::HoverSets(QWidget* widget, int pointer) {
  hover_.insert(widget, pointer);
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
}

void Page::CurrentOnlyWhenFocused(QAbstractItemView* list) {
  current_.insert(list, {});
  list->installEventFilter(this);
}

bool Page::eventFilter(QObject* watched, QEvent* event) {
  if (auto remembered = current_.find(watched); remembered != current_.end()) {
    auto* list = static_cast<QAbstractItemView*>(watched);
    if (event->type() == QEvent::FocusOut && list->selectionModel() != nullptr) {
      *remembered = list->currentIndex();
      list->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    } else if (event->type() == QEvent::FocusIn && remembered->isValid() &&
               !list->currentIndex().isValid()) {
      list->selectionModel()->setCurrentIndex(*remembered, QItemSelectionModel::NoUpdate);
    }
  }
  // Return and Enter press the focused button, as they do on Windows.
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button != nullptr && button->isEnabled() &&
        (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      button->click();
      return true;
    }
  }
  const bool move = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
  if (move && hover_.contains(watched) && pointer_ != kHourglass) {
    // A move the control under the pointer ignored reaches its parents too,
    // and entering a control enters its parents: the control under the
    // pointer decides, as if it alone had the event.
    QObject* control = watched;
    if (auto* point = dynamic_cast<QSinglePointEvent*>(event)) {
      auto* widget = static_cast<QWidget*>(watched);
      const QPoint at = point->position().toPoint();
      for (QWidget* w = widget->childAt(at); w != nullptr && w != widget; w = w->parentWidget()) {
        if (hover_.contains(w)) {
          control = w;
          break;
        }
      }
    }
    if (hover_[control] != kUnchanged) SetMousePointer(hover_[control]);
  }
  return QWidget::eventFilter(watched, event);
}

void Page::closeEvent(QCloseEvent* event) {
  event->accept();
  ui_.EndProgram();
}
