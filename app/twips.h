#pragma once
#include <QVariant>
#include <QWidget>
#include <cmath>

// Twips (1440 an inch) to pixels at the widget's logical DPI, times the
// share of its size that the widget's page takes to fit on the screen (1
// wherever the whole page fits).
inline int Twips(const QWidget* widget, int twips) {
  const QVariant fit = widget->window()->property("fit");
  return static_cast<int>(
      std::lround(twips * widget->logicalDpiX() / 1440.0 * (fit.isValid() ? fit.toDouble() : 1.0)));
}

inline void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(Twips(widget, left), Twips(widget, top), Twips(widget, width),
                      Twips(widget, height));
}
