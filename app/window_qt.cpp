#include "app/window_qt.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>

#include "app/window_utils.h"

namespace {

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

}  // namespace

void ResetFormColors(QWidget* window) {
  const QColor face = window->palette().color(QPalette::Active, QPalette::Button);
  SetBackground(window, face);
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) ||
        qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child)) {
      SetBackground(child, face);
    }
  }
}

void ApplySkin(QWidget* window, const QString& program_folder) {
  const QFileInfo skin(QString::fromStdString(SkinFilePath(program_folder.toStdString())));
  if (!skin.isFile()) return;
  ResetFormColors(window);
}

void SetAppTitle() { SetApplicationTitle(AppTitleFrom(kProductName)); }

std::optional<QCursor> LoadCursorFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  QImage image;
  if (bytes.size() < 22 || !image.loadFromData(bytes, "CUR")) return std::nullopt;
  // Qt's reader ignores the hotspot: it stands in the first directory entry.
  auto word = [&](int at) {
    return static_cast<int>(static_cast<unsigned char>(bytes[at]) |
                            (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  return QCursor(QPixmap::fromImage(image), word(10), word(12));
}
