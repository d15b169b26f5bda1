#pragma once
#include <chrono>

// A long pass's progress on the program's button in the task bar, whatever
// draws it. At most ten updates a second, so that a pass of many small files
// does not flood the desktop; a full bar and the end are always sent.
class TaskbarProgress {
 public:
  virtual ~TaskbarProgress() = default;
  // fraction from 0 to 1; the bar shows until End.
  void Set(double fraction);
  void End();
  bool visible() const { return visible_; }

 protected:
  virtual void Send(double fraction, bool visible) = 0;

 private:
  std::chrono::steady_clock::time_point sent_;
  bool visible_ = false;
};
