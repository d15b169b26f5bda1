#include "app/taskbar_progress.h"

void TaskbarProgress::Set(double fraction) {
  const auto now = std::chrono::steady_clock::now();
  if (visible_ && fraction < 1.0 && now - sent_ < std::chrono::milliseconds(100)) return;
  sent_ = now;
  visible_ = true;
  Send(fraction, true);
}

void TaskbarProgress::End() {
  if (!visible_) return;
  visible_ = false;
  Send(1.0, false);
}
