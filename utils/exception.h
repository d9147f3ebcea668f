#pragma once
// The failure to create a pipe or to start a child process. It carries no message: the catch site
// only learns that creation failed and reports a start failure.

#include <exception>

namespace Utils {

class Exception : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

}  // namespace Utils
