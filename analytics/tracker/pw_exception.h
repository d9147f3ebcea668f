#pragma once
// The tracker library's validation failure: the message, the operation that raised it, the unit
// and line it came from. The wrapper turns every one into a "Failed to ..." line.

#include <exception>
#include <string>

namespace plenwick::metrics {

class PwException : public std::exception {
 public:
  PwException(std::string message, std::string operation, std::string unit, int line)
      : message_(std::move(message)), operation_(std::move(operation)), unit_(std::move(unit)), line_(line) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& operation() const { return operation_; }
  const std::string& unit() const { return unit_; }
  int line() const { return line_; }
  int code() const { return code_; }
  int subCode() const { return subCode_; }

 private:
  std::string message_;
  std::string operation_;
  std::string unit_;
  int line_;
  int code_ = -1;
  int subCode_ = -1;
};

}  // namespace plenwick::metrics

// Raises a PwException naming this unit and line.
#define PW_THROW(message, operation, unit) throw ::plenwick::metrics::PwException((message), (operation), (unit), __LINE__)
