#pragma once
// Collects what is written to the standard error stream (the debugger output of the diagnostic
// log) while it lives.

#include <unistd.h>

#include <cstdio>
#include <string>

class ErrorStreamCapture {
 public:
  ErrorStreamCapture() {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    file_ = std::tmpfile();
    ::dup2(::fileno(file_), STDERR_FILENO);
  }
  ~ErrorStreamCapture() {
    Stop();
    std::fclose(file_);
  }
  ErrorStreamCapture(const ErrorStreamCapture&) = delete;
  ErrorStreamCapture& operator=(const ErrorStreamCapture&) = delete;

  // Puts the stream back and returns what was written to it.
  std::string Stop() {
    if (saved_ >= 0) {
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
      saved_ = -1;
    }
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof(buffer), file_)) text.append(buffer, n);
    return text;
  }

 private:
  int saved_ = -1;
  FILE* file_ = nullptr;
};
