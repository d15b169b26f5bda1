#pragma once
#include <exception>
#include <string>
#include <utility>

#include "app/ui_services.h"

// The failure trap of one running operation: each numbered step runs under
// it; a step that fails shows the failure box naming the operation and the
// step, and the operation goes on with its next step.
class FailureTrap {
 public:
  FailureTrap(UiServices& ui, std::string procedure_path)
      : ui_(ui), path_(std::move(procedure_path)) {}

  // Runs one step; false when it failed (and was reported).
  template <class Fn>
  bool Step(int number, Fn&& fn) {
    step_ = number;
    try {
      std::forward<Fn>(fn)();
      return true;
    } catch (const ProgramEnding&) {
      throw;
    } catch (const std::exception& e) {
      Report(e.what());
    } catch (...) {
      Report("Unexpected error");
    }
    return false;
  }

  // Reports a failure of the current step.
  void Report(const std::string& description);
  void Report(int step, const std::string& description) {
    step_ = step;
    Report(description);
  }

  UiServices& ui() { return ui_; }
  // What the last failure reported said.
  const std::string& last() const { return last_; }

 private:
  UiServices& ui_;
  std::string path_;
  int step_ = 0;
  std::string last_;
};

inline constexpr const char* kSupportAddress = "support@vantrel.example";

// The text of the failure box.
std::string FailureMessage(const std::string& description, const std::string& procedure_path,
                           int step);
