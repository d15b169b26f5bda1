#pragma once
#include <QDBusConnection>

#include "app/taskbar_progress.h"

// The freedesktop launcher entry signal (com.canonical.Unity.LauncherEntry
// Update), which KDE Plasma's task manager and GNOME's docks draw as a bar
// over the program's icon. Without a session bus nothing is sent.
class LauncherProgress : public TaskbarProgress {
 public:
  explicit LauncherProgress(QDBusConnection bus = QDBusConnection::sessionBus());
  bool connected() const { return bus_.isConnected(); }

 protected:
  void Send(double fraction, bool visible) override;

 private:
  QDBusConnection bus_;
};
