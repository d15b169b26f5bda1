#pragma once
#include <stdexcept>
#include <string>

// A failing step: its description is what the failure box shows first.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& description, int code = 0)
      : std::runtime_error(description), code_(code) {}
  // The operating system's error number, 0 when the failure has none.
  int code() const { return code_; }

 private:
  int code_;
};

// The runtime's wording for an operating-system error number.
std::string DescribeError(int error_number);

[[noreturn]] void ThrowError(int error_number);
