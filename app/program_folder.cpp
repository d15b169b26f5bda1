#include "app/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ProgramFolder() {
  const QString beside = QCoreApplication::applicationDirPath();
  if (QFileInfo(beside + "/Samples").isDir()) return beside;
  const QString installed = QDir::cleanPath(beside + "/../share/larkspur-suite");
  if (QFileInfo(installed).isDir()) return installed;
  return beside;
}
