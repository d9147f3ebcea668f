#pragma once
// A test's own X server (Xvfb on a display number it picks itself, no window manager), and the
// small shell commands the GUI tests drive and read it with (xdotool, xwininfo, ImageMagick).

#include <string>

#include "tests/support/child_process.h"

namespace TestSupport {

// True when `program` is found on PATH.
bool HaveProgram(const std::string& program);

// Standard output of a short shell command; empty when it fails.
std::string CommandOutput(const std::string& command);

class XServer {
 public:
  // `screen` as Xvfb takes it ("1024x768x24"). Throws when Xvfb cannot be started; Display() is
  // empty when it did not report its display within ten seconds.
  explicit XServer(const std::string& screen);

  const std::string& Display() const { return display_; }
  // `command` run by the shell with DISPLAY naming this server; its standard output, empty when
  // it fails.
  std::string Run(const std::string& command) const;

 private:
  ChildProcess xvfb_;  // stopped and reaped with the object
  std::string display_;
};

struct Rgb {
  int r = -1, g = -1, b = -1;
};

// One pixel of a PNG file, each channel 0..255; all -1 when it cannot be read.
Rgb PixelOf(const std::string& png, int x, int y);

}  // namespace TestSupport
