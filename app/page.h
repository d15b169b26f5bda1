#pragma once
#include <QAbstractItemView>
#include <QCursor>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QWidget>
#include <optional>

#include "app/twips.h"
#include "app/ui_services.h"

// An option button that takes a click anywhere in its rectangle.
class WideRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// Sets an option as the load sequence does: a true value selects it (and
// its click handling is the caller's), a false one clears it.
void SetOption(QRadioButton* option, bool value);

// What both wizard pages share: the fixed white window in Arial 9 pt bold,
// the three pointer states with their hover rules, and closing ending the
// program.
class Page : public QWidget {
 public:
  enum Pointer { kDefault = 0, kHourglass = 11, kCustom = 99 };
  // A control without hover handling: moving over it leaves the pointer be.
  static constexpr int kUnchanged = -1;

  Page(UiServices& ui, QString program_folder, int width_twips, int height_twips);

  // Puts the page's top-left corner at, or as near as keeps the whole page
  // (with decorations, the window frame's extra size) on the screen's
  // available area; never resizes it.
  void MoveWithinScreen(QPoint at, QSize decorations);
  int MousePointer() const { return pointer_; }
  void SetMousePointer(int pointer);
  // The custom pointer's image, from the hand cursor file; throws when the
  // file is no cursor.
  void LoadCustomPointer(const QString& cursor_file);
  QString HandCursorFile() const;
  bool HandCursorPresent() const;
  // The product's name and icon on the title bar.
  void SetCaptionAndIcon();
  const QString& program_folder() const { return program_folder_; }
  UiServices& ui() { return ui_; }
  // An exclusive long pass of this page is running.
  bool busy() const { return busy_; }
  // The share of its size the page takes to fit on the screen; 1 where it fits.
  double Fit() const { return property("fit").toDouble(); }

 protected:
  QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                          int top, int width, int height);
  // A control of the given kind, named and placed in twips.
  template <class Control>
  static Control* Make(QWidget* parent, const QString& name, const QString& caption, int left,
                       int top, int width, int height) {
    auto* control = new Control(caption, parent);
    control->setObjectName(name);
    PlaceTwips(control, left, top, width, height);
    return control;
  }
  // Runs handler on each click. A handler cut short because the program is
  // ending returns to the event loop, which is ending too.
  template <class Handler>
  void OnClick(QPushButton* button, Handler handler) {
    connect(button, &QPushButton::clicked, this, [handler] {
      try {
        handler();
      } catch (const ProgramEnding&) {
      }
    });
  }
  // Moving over widget sets the pointer (unless it is the hourglass);
  // kUnchanged marks a control that has no hover handling.
  void HoverSets(QWidget* widget, int pointer);
  // The list's current row is current only while the list has the focus:
  // a screen reader takes a current cell for a focused one, and one object
  // at a time has the focus. The row comes back with the focus.
  void CurrentOnlyWhenFocused(QAbstractItemView* list);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class LongPass;
  UiServices& ui_;
  bool busy_ = false;
  QString program_folder_;
  int pointer_ = kDefault;
  std::optional<QCursor> custom_;
  QHash<QObject*, int> hover_;
  QHash<QObject*, QPersistentModelIndex> current_;  // of a list without the focus
};
