#pragma once
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QWidget>

#include "app/twips.h"

// One control as a page's table gives it: name, caption (empty: none to
// check), place and size in twips relative to its parent.
struct ControlRow {
  const char* name;
  const char* caption;
  int left, top, width, height;
};

// The caption's words as shown: an access key's "&" only underlines.
inline QString CaptionOf(const QWidget* w) {
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return QString(b->text()).remove('&');
  if (auto* g = qobject_cast<const QGroupBox*>(w)) return QString(g->title()).remove('&');
  if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
  return {};
}

inline void ExpectLayout(QWidget* page, std::initializer_list<ControlRow> rows) {
  auto px = [&](int twips) { return Twips(page, twips); };
  QString keys;  // Alt and a letter reaches every button and option, each its own
  for (const ControlRow& r : rows) {
    auto* w = page->findChild<QWidget*>(r.name);
    ASSERT_NE(w, nullptr) << r.name;
    EXPECT_EQ(w->geometry(), QRect(px(r.left), px(r.top), px(r.width), px(r.height))) << r.name;
    if (*r.caption != '\0') {
      EXPECT_EQ(CaptionOf(w), r.caption) << r.name;
      const auto* b = qobject_cast<const QAbstractButton*>(w);
      const QString key = b ? b->text().section('&', 1).left(1).toLower() : QString();
      EXPECT_TRUE(!b || !b->text().contains(QRegularExpression("\\w")) ||
                  (!key.isEmpty() && !keys.contains(key))) << r.name << ": no own key";
      keys += key;
      // A caption on one line shows whole in the font this machine gives it
      // (offscreen on Windows has none to measure with); a push button's
      // centred text has room to spare.
      auto* label = qobject_cast<const QLabel*>(w);
      const QString font = QFontInfo(w->font()).family();
      if (!font.isEmpty() && !w->inherits("QPushButton") && !w->inherits("QGroupBox") &&
          !(label && label->wordWrap())) {
        EXPECT_LE(w->sizeHint().width(), w->width())
            << r.name << " is cut in " << font.toStdString();
      }
    }
  }
}
