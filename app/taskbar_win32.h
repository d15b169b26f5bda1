#pragma once
#include <shobjidl.h>
#include <windows.h>
#undef Yield  // a Win16 leftover that would rename UiServices::Yield

#include "app/taskbar_progress.h"

// The bar over a window's button in the Windows task bar (ITaskbarList3).
// Needs COM on the calling thread, as a Qt GUI thread has it; without a task
// bar (Explorer not running) nothing is shown and nothing is reported.
class Win32TaskbarProgress : public TaskbarProgress {
 public:
  // list: the task bar to draw on; null for the system's own.
  explicit Win32TaskbarProgress(HWND window, ITaskbarList3* list = nullptr);
  ~Win32TaskbarProgress() override;
  Win32TaskbarProgress(const Win32TaskbarProgress&) = delete;
  Win32TaskbarProgress& operator=(const Win32TaskbarProgress&) = delete;
  bool available() const { return list_ != nullptr; }

 protected:
  void Send(double fraction, bool visible) override;

 private:
  HWND window_;
  ITaskbarList3* list_ = nullptr;
};
