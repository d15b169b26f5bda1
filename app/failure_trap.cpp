#include "app/failure_trap.h"

std::string FailureMessage(const std::string& description, const std::string& procedure_path,
                           int step) {
  return description + "\r\nin " + procedure_path + " at line " + std::to_string(step) +
         "\r\rPlease email screenshot of this message to " + kSupportAddress;
}

void UiServices::Failed(const std::string& description, const std::string& procedure_path,
                        int step) {
  FailureBox(FailureMessage(description, procedure_path, step));
}

void FailureTrap::Report(const std::string& description) {
  last_ = description;
  ui_.Failed(description, path_, step_);
}
