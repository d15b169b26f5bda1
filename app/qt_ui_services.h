#pragma once
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "app/taskbar_progress.h"
#include "app/ui_services.h"

// The real boxes and dialogs, owned by the window that is active.
class QtUiServices : public UiServices {
 public:
  QtUiServices();
  void Information(const std::string& text) override;
  bool Question(const std::string& text) override;
  void FailureBox(const std::string& text) override;
  std::string PickFolder(const std::string& title, const std::string& initial) override;
  std::string SaveFileName(const std::string& title, const std::string& filter) override;
  void OpenFolder(const std::string& path) override;
  bool Yield() override;
  void EndProgram() override;
  void Progress(double fraction) override;
  bool ShowsProgress() const override;

 private:
  std::unique_ptr<TaskbarProgress> taskbar_;
  bool shows_progress_ = false;
  QElapsedTimer since_yield_;
  bool ending_ = false;
};
