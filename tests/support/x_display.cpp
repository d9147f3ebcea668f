#include "tests/support/x_display.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace TestSupport {

bool HaveProgram(const std::string& program) {
  return std::system(("command -v '" + program + "' >/dev/null 2>&1").c_str()) == 0;
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (::pclose(pipe) != 0) out.clear();
  }
  return out;
}

XServer::XServer(const std::string& screen)
    : xvfb_({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"}, {.discardStderr = true}) {
  // With -displayfd Xvfb writes the display number it took once it accepts clients.
  const std::optional<std::string> number = xvfb_.ReadLine(std::chrono::seconds(10));
  if (number && !number->empty()) display_ = ":" + *number;
}

std::string XServer::Run(const std::string& command) const {
  return CommandOutput("DISPLAY=" + display_ + " " + command);
}

Rgb PixelOf(const std::string& png, int x, int y) {
  const std::string p = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
  const std::string text = CommandOutput("convert '" + png + "' -format '%[fx:round(255*" + p + ".r)],%[fx:round(255*" +
                                         p + ".g)],%[fx:round(255*" + p + ".b)]' info:");
  Rgb c;
  if (std::sscanf(text.c_str(), "%d,%d,%d", &c.r, &c.g, &c.b) != 3) c = Rgb{};
  return c;
}

}  // namespace TestSupport
