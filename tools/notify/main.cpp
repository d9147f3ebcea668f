// quorvane-notify: sends a numbered window message to the installer running in this logon, as
// another program does on Windows (1224: the launcher's start report).
//
//   quorvane-notify [message]     default 1224; exit 0 when an installer took it, 1 when none runs

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/instance_channel.h"

int main(int argc, char** argv) {
  unsigned long message = 1224;
  if (argc > 2 || (argc == 2 && (message = std::strtoul(argv[1], nullptr, 10)) == 0)) {
    std::fputs("usage: quorvane-notify [message number]\n", stderr);
    return 2;
  }
  if (!Platform::SendInstanceMessage(L"D1A547DB89C0BC61_Installer_Quorvane", static_cast<uint32_t>(message))) {
    std::fputs("quorvane-notify: no installer is running\n", stderr);
    return 1;
  }
  return 0;
}
