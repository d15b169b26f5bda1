#pragma once
#include <QCursor>
#include <QString>
#include <optional>

class QWidget;

// The window and its option buttons, check boxes, frames and labels take
// the system's button-face colour.
void ResetFormColors(QWidget* window);
// With a skin file present the window takes the system colours; there is no
// skin engine beyond that.
void ApplySkin(QWidget* window, const QString& program_folder);
// Sets the title of boxes that name none from the product name.
void SetAppTitle();
// A Windows .cur file as a cursor, with the hotspot its header gives.
std::optional<QCursor> LoadCursorFile(const QString& path);
