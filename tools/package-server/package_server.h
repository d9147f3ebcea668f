#pragma once
// The package server's answers: /software/<id> (any path published in packages.map) redirects to
// /<md5>/<file name>; that path, like every file under the publish folder, is served with
// Content-Length and byte ranges; /_control/ lets a test set faults and read the request log.

#include <httplib.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/package-server/fault_table.h"
#include "tools/package-server/package_map.h"
#include "tools/package-server/request_log.h"

namespace Peers {

class PackageServer {
 public:
  explicit PackageServer(std::filesystem::path root);

  FaultTable& Faults() { return faults_; }
  // Registers the routes and the logger (verbose: one line per request on standard error).
  void Install(httplib::Server& server, bool verbose);

 private:
  void Answer(const httplib::Request& request, httplib::Response& response);
  void AnswerNormally(const httplib::Request& request, httplib::Response& response, const std::string& path,
                      const AppliedFaults& faults, const std::shared_ptr<RequestRecord>& record,
                      std::vector<std::string>* tags);
  void ServeFile(const httplib::Request& request, httplib::Response& response, const std::filesystem::path& file,
                 const AppliedFaults& faults, const std::shared_ptr<RequestRecord>& record,
                 std::vector<std::string>* tags);
  std::optional<PackageEntry> FindPackage(const std::string& path) const;
  // `rawPath` as sent; decoded here.
  std::optional<std::filesystem::path> ResolveFile(const std::string& rawPath) const;
  // The redirect target of a published package, with the digest fault applied; a faulty target
  // is remembered as another name of the package file so that it can still be fetched.
  std::string TargetFor(const PackageEntry& entry, const std::string& digestFault);

  void SetFault(const httplib::Request& request, httplib::Response& response);

  const std::filesystem::path root_;  // canonical
  FaultTable faults_;
  RequestLog log_;
  mutable std::mutex aliasMutex_;  // guards aliases_
  std::map<std::string, std::filesystem::path> aliases_;
};

}  // namespace Peers
