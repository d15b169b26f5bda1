#include "app/launcher_progress.h"

#include <QDBusMessage>
#include <QVariantMap>

LauncherProgress::LauncherProgress(QDBusConnection bus) : bus_(std::move(bus)) {}

void LauncherProgress::Set(double fraction) {
  if (visible_ && fraction < 1.0 && since_sent_.isValid() && since_sent_.elapsed() < 100) return;
  Send(fraction, true);
}

void LauncherProgress::End() {
  if (visible_) Send(1.0, false);
}

void LauncherProgress::Send(double fraction, bool visible) {
  visible_ = visible;
  since_sent_.start();
  if (!bus_.isConnected()) return;
  QDBusMessage update = QDBusMessage::createSignal("/com/vantrel/LarkspurSuite",
                                                   "com.canonical.Unity.LauncherEntry", "Update");
  update << QString("application://com.vantrel.LarkspurSuite.desktop")
         << QVariantMap{{"progress", fraction}, {"progress-visible", visible}};
  bus_.send(update);
}
