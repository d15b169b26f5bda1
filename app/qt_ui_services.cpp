#include "app/qt_ui_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "app/window_utils.h"
#ifdef _WIN32
#include "app/taskbar_win32.h"
#else
#include "app/launcher_progress.h"
#endif

namespace {

QString Title() { return QString::fromStdString(ApplicationTitle()); }

QWidget* Owner() { return QApplication::activeWindow(); }

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" to Qt's ";;" filter list.
QString QtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|', Qt::SkipEmptyParts);
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) entries << parts[i];
  return entries.join(";;");
}

}  // namespace

QtUiServices::QtUiServices() {
  since_yield_.start();
#ifdef _WIN32
  // Windows draws the bar on a window's button: made for each pass's window.
  shows_progress_ = true;
#else
  auto launcher = std::make_unique<LauncherProgress>();
  shows_progress_ = launcher->connected();
  taskbar_ = std::move(launcher);
#endif
}

void QtUiServices::Information(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Title(), QString::fromStdString(text), QMessageBox::Ok,
                  Owner());
  box.exec();
}

bool QtUiServices::Question(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, Title(), QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No, Owner());
  return box.exec() == QMessageBox::Yes;
}

void QtUiServices::FailureBox(const std::string& text) {
  QMessageBox box(QMessageBox::Warning, "Application Error", QString::fromStdString(text),
                  QMessageBox::Ok, Owner());
  box.exec();
}

std::string QtUiServices::PickFolder(const std::string& title, const std::string& initial) {
  return QFileDialog::getExistingDirectory(Owner(), QString::fromStdString(title),
                                           QString::fromStdString(initial))
      .toStdString();
}

std::string QtUiServices::SaveFileName(const std::string& title, const std::string& filter) {
  // The program asks its own overwrite question.
  return QFileDialog::getSaveFileName(Owner(), QString::fromStdString(title), QString(),
                                      QtFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite)
      .toStdString();
}

void QtUiServices::OpenFolder(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtUiServices::Yield() {
  // Processing events costs far more than one item of a long loop: pump
  // every few milliseconds, which keeps the window as responsive as once per item.
  if (ending_) throw ProgramEnding{};
  if (since_yield_.elapsed() < kPumpIntervalMs) return false;
  QCoreApplication::processEvents();
  since_yield_.restart();
  if (ending_) throw ProgramEnding{};
  return true;
}

bool QtUiServices::ShowsProgress() const { return shows_progress_; }

void QtUiServices::Progress(double fraction) {
#ifdef _WIN32
  if (fraction >= 0 && !(taskbar_ && taskbar_->visible()) && Owner()) {
    taskbar_ = std::make_unique<Win32TaskbarProgress>(reinterpret_cast<HWND>(Owner()->winId()));
  }
#endif
  if (!taskbar_) return;
  if (fraction < 0) {
    taskbar_->End();
  } else {
    taskbar_->Set(fraction);
  }
}

void QtUiServices::EndProgram() {
  // Every choice is already stored. The pass under way unwinds at its next
  // yield, so its files are cleaned up, and then main returns.
  ending_ = true;
  QCoreApplication::quit();
}
