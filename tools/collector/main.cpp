// quorvane-collector: receives the installer's analytics batches and appends their records, one
// JSON object a line, to a file.
//
//   quorvane-collector --out <records-file> [--host 127.0.0.1] [--port 0]
//                      [--fault '<fault>=<value>&...'] [--verbose]

#include <cstdio>
#include <string>
#include <string_view>

#include "tools/collector/collector_server.h"
#include "tools/package-server/peer_http.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: quorvane-collector --out <records-file> [--host <address>] [--port <n>]\n"
               "                          [--fault '<fault>=<value>&...'] [--verbose]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Peers::ListenOptions listen;
  std::string out;
  std::string faultText;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    std::string error;
    const std::string_view arg = argv[i];
    if (Peers::ParseListenOption(argc, argv, &i, &listen, &error)) {
      if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return Usage();
      }
    } else if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--fault" && i + 1 < argc) {
      faultText += (faultText.empty() ? "" : "&") + std::string(argv[++i]);
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      std::fprintf(stderr, "unknown or incomplete argument: %s\n", argv[i]);
      return Usage();
    }
  }
  if (out.empty()) return Usage();

  Peers::CollectorServer collector(out);
  if (!faultText.empty()) {
    std::string error = "malformed escape";
    const auto fields = Peers::ParseFormFields(faultText, false);
    const auto faults = fields ? Peers::CollectorFaults::FromFields(*fields, &error) : std::nullopt;
    if (!faults) {
      std::fprintf(stderr, "bad --fault %s: %s\n", faultText.c_str(), error.c_str());
      return 2;
    }
    collector.SetFaults(*faults);
  }
  httplib::Server server;
  collector.Install(server, verbose);
  return Peers::ServeUntilSignalled(server, listen);
}
