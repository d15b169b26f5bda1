#pragma once
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
