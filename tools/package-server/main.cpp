// quorvane-package-server: serves a publish folder over HTTP for the installer.
//
//   quorvane-package-server --root <publish-folder> [--host 127.0.0.1] [--port 0]
//                           [--fault 'path=<path or *>&<fault>=<value>...']... [--verbose]
//   quorvane-package-server publish <package-file> <id> <publish-folder> [--name N] [--md5 D] [--link]

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/package-server/package_server.h"
#include "tools/package-server/peer_http.h"
#include "tools/package-server/publish.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: quorvane-package-server --root <publish-folder> [--host <address>] [--port <n>]\n"
               "                               [--fault 'path=<path>&<fault>=<value>'] [--verbose]\n"
               "       quorvane-package-server publish <package-file> <id> <publish-folder>\n"
               "                               [--name <file name>] [--md5 <digest>] [--link]\n");
  return 2;
}

bool AddStartFault(Peers::PackageServer& server, const std::string& text) {
  std::string error = "malformed escape";
  const auto fields = Peers::ParseFormFields(text, false);
  const auto parsed = fields ? Peers::ParsePathFaults(*fields, &error) : std::nullopt;
  if (!parsed || parsed->clears) {
    std::fprintf(stderr, "bad --fault %s: %s\n", text.c_str(), parsed ? "no fault given" : error.c_str());
    return false;
  }
  server.Faults().Set(parsed->path, parsed->set);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string_view(argv[1]) == "publish") return Peers::RunPublishCommand(argc - 2, argv + 2);

  Peers::ListenOptions listen;
  std::filesystem::path root;
  std::vector<std::string> faults;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    std::string error;
    const std::string_view arg = argv[i];
    if (Peers::ParseListenOption(argc, argv, &i, &listen, &error)) {
      if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return Usage();
      }
    } else if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--fault" && i + 1 < argc) {
      faults.emplace_back(argv[++i]);
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      std::fprintf(stderr, "unknown or incomplete argument: %s\n", argv[i]);
      return Usage();
    }
  }
  std::error_code ec;
  if (root.empty() || !std::filesystem::is_directory(root, ec)) {
    std::fprintf(stderr, "the publish folder is missing or not a folder: %s\n", root.c_str());
    return Usage();
  }

  Peers::PackageServer packages(root);
  for (const std::string& fault : faults) {
    if (!AddStartFault(packages, fault)) return 2;
  }
  httplib::Server server;
  packages.Install(server, verbose);
  return Peers::ServeUntilSignalled(server, listen);
}
