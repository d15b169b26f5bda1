#pragma once
#include <QDBusConnection>
#include <QElapsedTimer>

// A long pass's progress on the program's icon in the task bar: the
// freedesktop launcher entry signal (com.canonical.Unity.LauncherEntry
// Update), which KDE Plasma's task manager and GNOME's docks draw as a bar.
// At most ten updates a second; without a session bus nothing is sent.
class LauncherProgress {
 public:
  explicit LauncherProgress(QDBusConnection bus = QDBusConnection::sessionBus());
  // fraction from 0 to 1; the bar shows until End.
  void Set(double fraction);
  void End();
  bool connected() const { return bus_.isConnected(); }

 private:
  void Send(double fraction, bool visible);
  QDBusConnection bus_;
  QElapsedTimer since_sent_;
  bool visible_ = false;
};
