#pragma once
// The installer's peers, started by tests as real programs on free loopback ports:
// the package server (and nginx serving the same publish folder), the analytics collector, and
// the sample package with its uninstaller and product. Each server object starts its program,
// waits until it listens, talks to its control endpoint and stops it (SIGTERM) when it goes away.
//
//   TestSupport::TempDir dir;
//   TestSupport::MakeTestFile(dir / "package.exe", 3 << 20);
//   auto published = TestSupport::PublishPackage(dir / "package.exe", "387", dir / "publish");
//   TestSupport::PackageServer server(dir / "publish");
//   server.SetFault(published.targetPath, {.dropAfter = 1000});
//   ... fetch server.Url("/software/387") ...
//   server.RequestLog();  // what the server saw and answered
//
// Constructors and control calls throw std::runtime_error when the peer misbehaves.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace TestSupport {

// Where the built programs are.
std::filesystem::path PackageServerProgram();
std::filesystem::path PublishPackageProgram();
std::filesystem::path CollectorProgram();
std::filesystem::path SamplePackageProgram();      // the package: product and uninstaller inside
std::filesystem::path SampleUninstallerProgram();  // what the package installs as uninst.ep
std::filesystem::path SampleProductProgram();      // what the package installs as Quorvane.exe
std::filesystem::path NginxConfigTemplate();       // tools/nginx/quorvane-packages.conf.in

// Starts a peer and waits for its "listening on 127.0.0.1:<port>" line.
class ListeningPeer {
 public:
  ListeningPeer(std::vector<std::string> argv, std::string_view name);
  ~ListeningPeer();
  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path
  std::string Url(std::string_view path = "") const;
  // SIGTERM and wait; returns the exit status (0 after a clean stop).
  int Stop();

 protected:
  std::string Get(const std::string& path) const;
  void Post(const std::string& path, const std::string& form) const;

 private:
  std::string name_;
  std::unique_ptr<ChildProcess> child_;
  int port_ = 0;
};

// Faults of the package server (see tools/package-server/README.md); unset fields are off.
struct PackageFault {
  std::optional<int> status{};           // answer this status (a 2xx status keeps the body)
  int failFirst = 0;                   // the first N requests get failStatus
  int failStatus = 500;
  std::optional<uint64_t> dropAfter{};   // close after N body bytes
  std::optional<uint64_t> stallAfter{};  // stop sending after N body bytes ...
  std::optional<uint64_t> stallMs{};     // ... for this long (unset: until the faults change)
  std::optional<uint64_t> rate{};        // body bytes per second
  int redirects = 0;                   // extra redirects before the normal answer
  bool noLength = false;               // no Content-Length; the body ends with the connection
  std::string digest{};                  // "wrong", "upper", "none" or 32 hex digits
  bool ignoreRange = false;            // whole body, status 200, whatever Range says

  std::string ToForm() const;
};

// One line of the package server's request log.
struct ServedRequest {
  uint64_t seq = 0;
  std::string method;
  std::string target;    // path and query as requested (still percent-encoded)
  std::string range;     // the Range header, "" when absent
  int status = 0;
  int64_t length = -1;   // Content-Length announced, -1 when none
  uint64_t sent = 0;     // body bytes sent
  std::string location;  // redirect target, or Content-Range of a partial answer
  std::string faults;    // faults applied, comma-separated ("drop", "stall", "status", ...)
};

class PackageServer : public ListeningPeer {
 public:
  // `startFaults` are "path=<p>&<fault>=<v>..." texts applied from the start (--fault).
  explicit PackageServer(const std::filesystem::path& publishRoot, std::vector<std::string> startFaults = {});

  // Replaces the faults of a request path ("*": every path without faults of its own).
  void SetFault(std::string_view path, const PackageFault& fault);
  void ClearFault(std::string_view path);
  // Clears every fault and the request log.
  void Reset();
  std::vector<ServedRequest> RequestLog() const;
};

struct PublishOptions {
  std::string fileName{};  // name in the final URL; default: the package file's name
  std::string md5{};       // skip computing the digest (large files whose digest is known)
  bool hardLink = false; // link instead of copying (large files on the same file system)
};

struct PublishedPackage {
  std::string requestPath;  // "/software/387"
  std::string targetPath;   // "/<md5>/<file name>", percent-encoded as in the redirect
  std::string md5{};
};

// Runs publish-package; throws when it fails.
PublishedPackage PublishPackage(const std::filesystem::path& packageFile, std::string_view id,
                                const std::filesystem::path& publishRoot, const PublishOptions& options = {});

// Faults of the collector (see tools/collector/README.md); unset fields are off.
struct CollectorFault {
  std::optional<int> status{};          // answer this status, store nothing
  std::optional<uint64_t> delayMs{};    // answer late (the batch is still stored)
  bool close = false;                   // close the connection without an answer
  std::optional<uint64_t> acceptFirst{};  // accept N batches, then answer failStatus
  int failStatus = 500;

  std::string ToForm() const;
};

// One line of the collector's request log.
struct CollectedPost {
  uint64_t seq = 0;
  std::string method;
  std::string target;
  int status = 0;      // 0 when the connection was closed without an answer
  size_t stored = 0;   // records appended to the records file
  size_t bodySize = 0;
  std::string note;    // why a body was refused, or the fault applied
};

class Collector : public ListeningPeer {
 public:
  // Records go to `recordsFile`, one JSON object a line. `startFaults` is "<fault>=<v>&...".
  explicit Collector(std::filesystem::path recordsFile, std::string startFaults = "");

  // Replaces the faults (an empty fault clears them).
  void SetFault(const CollectorFault& fault);
  // Clears the faults and the request log (not the records file).
  void Reset();
  std::vector<CollectedPost> RequestLog() const;
  // The records file's lines (none when it does not exist yet).
  std::vector<std::string> Records() const;
  const std::filesystem::path& recordsFile() const { return recordsFile_; }

 private:
  std::filesystem::path recordsFile_;
};

// nginx serving a publish folder with tools/nginx's configuration, on a free loopback port, with
// its own prefix (a temporary folder).
class NginxPackageServer {
 public:
  explicit NginxPackageServer(const std::filesystem::path& publishRoot);
  ~NginxPackageServer();
  int port() const { return port_; }
  std::string Url(std::string_view path = "") const;
  int Stop();

 private:
  TempDir prefix_{"qv-nginx"};
  std::unique_ptr<ChildProcess> child_;
  int port_ = 0;
};

}  // namespace TestSupport
