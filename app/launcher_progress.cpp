#include "app/launcher_progress.h"

#include <QDBusMessage>
#include <QVariantMap>

LauncherProgress::LauncherProgress(QDBusConnection bus) : bus_(std::move(bus)) {}

void LauncherProgress::Send(double fraction, bool visible) {
  if (!bus_.isConnected()) return;
  QDBusMessage update = QDBusMessage::createSignal("/com/vantrel/LarkspurSuite",
                                                   "com.canonical.Unity.LauncherEntry", "Update");
  update << QString("application://com.vantrel.LarkspurSuite.desktop")
         << QVariantMap{{"progress", fraction}, {"progress-visible", visible}};
  bus_.send(update);
}
