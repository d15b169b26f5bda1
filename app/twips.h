#pragma once
#include <QRadioButton>
#include <QWidget>
#include <cmath>

// Twips (1440 an inch) to pixels at the widget's logical DPI.
inline int Twips(const QWidget* widget, int twips) {
  return static_cast<int>(std::lround(twips * widget->logicalDpiX() / 1440.0));
}

inline void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(Twips(widget, left), Twips(widget, top), Twips(widget, width),
                      Twips(widget, height));
}

// An option button that takes a click anywhere in its rectangle.
class WideRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};
