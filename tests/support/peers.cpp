#include "tests/support/peers.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace TestSupport {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(15);

std::filesystem::path Program(const char* path, const char* name) {
  if (!path || !*path) throw std::runtime_error(std::string(name) + " is not part of this build");
  return path;
}

std::string FormEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
      out.push_back(c);
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return out;
}

void AddField(std::string* form, std::string_view name, const std::string& value) {
  *form += (form->empty() ? "" : "&") + std::string(name) + "=" + FormEncode(value);
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error("cannot find a free loopback port");
  }
  close(fd);
  return ntohs(address.sin_port);
}

bool Accepts(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  if (fd >= 0) close(fd);
  return connected;
}

std::string Replace(std::string text, std::string_view from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

std::filesystem::path PackageServerProgram() { return Program(QV_PACKAGE_SERVER_PATH, "quorvane-package-server"); }
std::filesystem::path PublishPackageProgram() { return Program(QV_PUBLISH_PACKAGE_PATH, "publish-package"); }
std::filesystem::path CollectorProgram() { return Program(QV_COLLECTOR_PATH, "quorvane-collector"); }
std::filesystem::path SamplePackageProgram() { return Program(QV_SAMPLE_PACKAGE_PATH, "the sample package"); }
std::filesystem::path SampleUninstallerProgram() { return Program(QV_SAMPLE_UNINSTALLER_PATH, "the sample uninstaller"); }
std::filesystem::path SampleProductProgram() { return Program(QV_SAMPLE_PRODUCT_PATH, "the sample product"); }
std::filesystem::path NginxConfigTemplate() { return Program(QV_NGINX_CONFIG_TEMPLATE, "the nginx configuration"); }

ListeningPeer::ListeningPeer(std::vector<std::string> argv, std::string_view name) : name_(name) {
  child_ = std::make_unique<ChildProcess>(std::move(argv));
  const std::optional<std::string> line = child_->ReadLine(kStartTimeout);
  constexpr std::string_view kPrefix = "listening on 127.0.0.1:";
  if (!line || !line->starts_with(kPrefix)) {
    child_->Terminate();
    throw std::runtime_error(name_ + " did not start listening (first line: \"" + line.value_or("") + "\")");
  }
  port_ = std::stoi(line->substr(kPrefix.size()));
  // Nothing more is expected on standard output; a peer that writes anyway gets an error instead
  // of blocking on a full pipe.
  child_->CloseOutput();
}

ListeningPeer::~ListeningPeer() {
  // A peer that does not stop cleanly (a sanitizer report, a crash) must not go unnoticed.
  if (const int status = Stop(); status != 0) std::fprintf(stderr, "%s exited with status %d\n", name_.c_str(), status);
}

std::string ListeningPeer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

int ListeningPeer::Stop() { return child_->Terminate(); }

std::string ListeningPeer::Get(const std::string& path) const {
  httplib::Client client("127.0.0.1", port_);
  const httplib::Result result = client.Get(path);
  if (!result || result->status != 200) {
    throw std::runtime_error(name_ + ": GET " + path + " failed" + (result ? ": " + result->body : ""));
  }
  return result->body;
}

void ListeningPeer::Post(const std::string& path, const std::string& form) const {
  httplib::Client client("127.0.0.1", port_);
  const httplib::Result result = client.Post(path, form, "application/x-www-form-urlencoded");
  if (!result || result->status != 200) {
    throw std::runtime_error(name_ + ": POST " + path + " " + form + " failed" + (result ? ": " + result->body : ""));
  }
}

std::string PackageFault::ToForm() const {
  std::string form;
  if (status) AddField(&form, "status", std::to_string(*status));
  if (failFirst > 0) {
    AddField(&form, "fail_first", std::to_string(failFirst));
    AddField(&form, "fail_status", std::to_string(failStatus));
  }
  if (dropAfter) AddField(&form, "drop_after", std::to_string(*dropAfter));
  if (stallAfter) AddField(&form, "stall_after", std::to_string(*stallAfter));
  if (stallMs) AddField(&form, "stall_ms", std::to_string(*stallMs));
  if (rate) AddField(&form, "rate", std::to_string(*rate));
  if (redirects > 0) AddField(&form, "redirects", std::to_string(redirects));
  if (noLength) AddField(&form, "no_length", "1");
  if (!digest.empty()) AddField(&form, "digest", digest);
  if (ignoreRange) AddField(&form, "ignore_range", "1");
  return form;
}

PackageServer::PackageServer(const std::filesystem::path& publishRoot, std::vector<std::string> startFaults)
    : ListeningPeer(
          [&] {
            std::vector<std::string> argv{PackageServerProgram().string(), "--root", publishRoot.string(), "--port", "0"};
            for (std::string& fault : startFaults) {
              argv.push_back("--fault");
              argv.push_back(std::move(fault));
            }
            return argv;
          }(),
          "quorvane-package-server") {}

void PackageServer::SetFault(std::string_view path, const PackageFault& fault) {
  std::string form;
  AddField(&form, "path", std::string(path));
  const std::string faults = fault.ToForm();
  if (faults.empty()) throw std::runtime_error("SetFault without a fault; use ClearFault");
  Post("/_control/fault", form + "&" + faults);
}

void PackageServer::ClearFault(std::string_view path) {
  std::string form;
  AddField(&form, "path", std::string(path));
  Post("/_control/fault", form);
}

void PackageServer::Reset() { Post("/_control/reset", ""); }

std::vector<ServedRequest> PackageServer::RequestLog() const {
  std::vector<ServedRequest> log;
  std::istringstream lines(Get("/_control/log"));
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 9) throw std::runtime_error("unexpected request log line: " + line);
    log.push_back({std::stoull(f[0]), f[1], f[2], f[3], std::stoi(f[4]), std::stoll(f[5]), std::stoull(f[6]), f[7], f[8]});
  }
  return log;
}

std::string CollectorFault::ToForm() const {
  std::string form;
  if (status) AddField(&form, "status", std::to_string(*status));
  if (delayMs) AddField(&form, "delay_ms", std::to_string(*delayMs));
  if (close) AddField(&form, "close", "1");
  if (acceptFirst) {
    AddField(&form, "accept_first", std::to_string(*acceptFirst));
    AddField(&form, "fail_status", std::to_string(failStatus));
  }
  return form;
}

Collector::Collector(std::filesystem::path recordsFile, std::string startFaults)
    : ListeningPeer(
          [&] {
            std::vector<std::string> argv{CollectorProgram().string(), "--out", recordsFile.string(), "--port", "0"};
            if (!startFaults.empty()) argv.insert(argv.end(), {"--fault", startFaults});
            return argv;
          }(),
          "quorvane-collector"),
      recordsFile_(std::move(recordsFile)) {}

void Collector::SetFault(const CollectorFault& fault) { Post("/_control/fault", fault.ToForm()); }

void Collector::Reset() { Post("/_control/reset", ""); }

std::vector<CollectedPost> Collector::RequestLog() const {
  std::vector<CollectedPost> log;
  std::istringstream lines(Get("/_control/log"));
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f.size() != 7) throw std::runtime_error("unexpected collector log line: " + line);
    log.push_back({std::stoull(f[0]), f[1], f[2], std::stoi(f[3]), std::stoul(f[4]), std::stoul(f[5]), f[6]});
  }
  return log;
}

std::vector<std::string> Collector::Records() const {
  std::vector<std::string> records;
  std::ifstream in(recordsFile_);
  for (std::string line; std::getline(in, line);) records.push_back(line);
  return records;
}

PublishedPackage PublishPackage(const std::filesystem::path& packageFile, std::string_view id,
                                const std::filesystem::path& publishRoot, const PublishOptions& options) {
  std::vector<std::string> argv{PublishPackageProgram().string(), packageFile.string(), std::string(id),
                                publishRoot.string()};
  if (!options.fileName.empty()) argv.insert(argv.end(), {"--name", options.fileName});
  if (!options.md5.empty()) argv.insert(argv.end(), {"--md5", options.md5});
  if (options.hardLink) argv.push_back("--link");
  ChildProcess publish(argv);
  const std::string line = publish.ReadRest(std::chrono::seconds(120));
  const std::optional<int> status = publish.WaitFor(std::chrono::seconds(10));
  const size_t space = line.find(' ');
  if (status != 0 || space == std::string::npos || line.size() < space + 35) {
    throw std::runtime_error("publish-package failed for " + packageFile.string());
  }
  PublishedPackage published;
  published.requestPath = line.substr(0, space);
  published.targetPath = line.substr(space + 1, line.find('\n') - space - 1);
  published.md5 = published.targetPath.substr(1, 32);
  return published;
}

NginxPackageServer::NginxPackageServer(const std::filesystem::path& publishRoot) {
  std::ifstream in(NginxConfigTemplate());
  const std::string configTemplate((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string root = std::filesystem::absolute(publishRoot).string();
  // A free port is chosen before nginx binds it; another process may take it in between, so a
  // start that fails is tried again on another port.
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = FreeLoopbackPort();
    const std::filesystem::path config = prefix_ / "nginx.conf";
    WriteFileBytes(config, Replace(Replace(configTemplate, "@LISTEN@", "127.0.0.1:" + std::to_string(port_)),
                                   "@PUBLISH_ROOT@", root));
    child_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/sbin/nginx", "-p", prefix_.path().string() + "/", "-c", config.string(), "-e",
        (prefix_ / "error.log").string(), "-g", "daemon off; master_process off;"});
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (Accepts(port_)) return;
      if (child_->WaitFor(std::chrono::milliseconds(20))) break;  // nginx gave up
    }
    child_->Terminate();
  }
  throw std::runtime_error("nginx did not start: " + ReadFileBytes(prefix_ / "error.log"));
}

NginxPackageServer::~NginxPackageServer() { Stop(); }

std::string NginxPackageServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

int NginxPackageServer::Stop() { return child_ ? child_->Terminate() : 0; }

}  // namespace TestSupport
