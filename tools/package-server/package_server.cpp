#include "tools/package-server/package_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "tools/package-server/byte_range.h"
#include "tools/package-server/file_body.h"
#include "tools/package-server/peer_http.h"

namespace Peers {
namespace {

constexpr std::string_view kHopPrefix = "/_hop/";

bool IsSuccess(int status) { return status >= 200 && status <= 299; }

void AnswerPlain(httplib::Response& response, int status) {
  response.status = status;
  response.set_content(std::to_string(status) + "\n", "text/plain");
}

// "/_hop/<n>/<rest>" -> n and "/<rest>"; any other path is not a hop (-1).
int ParseHop(const std::string& requestPath, std::string* path) {
  *path = requestPath;
  if (!requestPath.starts_with(kHopPrefix)) return -1;
  const size_t slash = requestPath.find('/', kHopPrefix.size());
  if (slash == std::string::npos) return -1;
  const std::optional<uint64_t> hop =
      ParseUnsigned(std::string_view(requestPath).substr(kHopPrefix.size(), slash - kHopPrefix.size()));
  if (!hop || *hop > 100) return -1;
  *path = requestPath.substr(slash);
  return static_cast<int>(*hop);
}

std::string AbsoluteUrl(const httplib::Request& request, const std::string& path) {
  std::string host = request.get_header_value("Host");
  if (host.empty()) host = request.local_addr + ":" + std::to_string(request.local_port);
  return "http://" + host + path;
}

// `path` is already encoded.
void Redirect(const httplib::Request& request, httplib::Response& response, const std::string& path) {
  response.set_redirect(AbsoluteUrl(request, path), 302);
}

std::string WrongDigest(std::string digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char& last = digest.back();
  last = kDigits[(std::string_view(kDigits).find(last) + 1) % 16];
  return digest;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ",") + part;
  return text;
}

}  // namespace

PackageServer::PackageServer(std::filesystem::path root) : root_(std::filesystem::canonical(root)) {}

void PackageServer::Install(httplib::Server& server, bool verbose) {
  if (verbose) {
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
      std::fprintf(stderr, "%s %s -> %d\n", request.method.c_str(), request.target.c_str(), response.status);
    });
  }
  server.Post("/_control/fault", [this](const httplib::Request& q, httplib::Response& r) { SetFault(q, r); });
  server.Post("/_control/reset", [this](const httplib::Request&, httplib::Response& r) {
    faults_.Reset();
    log_.Clear();
    r.set_content("ok\n", "text/plain");
  });
  server.Get("/_control/log", [this](const httplib::Request&, httplib::Response& r) {
    r.set_content(log_.Render(), "text/tab-separated-values");
  });
  server.Get("/_control/faults", [this](const httplib::Request&, httplib::Response& r) {
    r.set_content(faults_.Render(), "text/plain");
  });
  server.Get(".*", [this](const httplib::Request& q, httplib::Response& r) { Answer(q, r); });
}

void PackageServer::SetFault(const httplib::Request& request, httplib::Response& response) {
  std::string error;
  const std::optional<PathFaults> parsed =
      ParsePathFaults(std::vector<std::pair<std::string, std::string>>(request.params.begin(), request.params.end()), &error);
  if (!parsed) {
    response.status = 400;
    response.set_content(error + "\n", "text/plain");
    return;
  }
  if (parsed->clears) {
    faults_.Clear(parsed->path);
  } else {
    faults_.Set(parsed->path, parsed->set);
  }
  response.set_content("ok\n", "text/plain");
}

void PackageServer::Answer(const httplib::Request& request, httplib::Response& response) {
  const std::string range = request.get_header_value("Range");
  const std::shared_ptr<RequestRecord> record = log_.Begin(request.method, request.target, range);
  // The library would apply the parsed Range itself after this handler; this server resolves
  // ranges on its own (416, ignore_range, offsets beyond 4 GiB), so it takes them away first.
  // The request object is the library's own non-const local, handed over as const.
  const_cast<httplib::Request&>(request).ranges.clear();

  // Paths are taken as sent (percent-encoded, without the query), so faults are set for exactly
  // the text a URL holds; only the file lookup decodes them.
  const std::string rawPath = request.target.substr(0, request.target.find('?'));
  std::string path;
  const int hop = ParseHop(rawPath, &path);
  const AppliedFaults faults = faults_.Match(path);
  const FaultSet& set = faults.set;
  std::vector<std::string> tags;
  if (faults.failThisRequest) {
    AnswerPlain(response, set.failStatus);
    tags.push_back("fail_first");
  } else if (set.status && !IsSuccess(*set.status)) {
    AnswerPlain(response, *set.status);
    tags.push_back("status");
  } else if (hop > 0 || (hop < 0 && set.redirects > 0)) {
    const int next = (hop > 0 ? hop : set.redirects) - 1;
    Redirect(request, response, std::string(kHopPrefix) + std::to_string(next) + path);
    tags.push_back("redirects");
  } else {
    AnswerNormally(request, response, path, faults, record, &tags);
    if (set.status && IsSuccess(response.status)) {
      response.status = *set.status;
      tags.push_back("status");
    }
  }
  const std::string location =
      response.has_header("Location") ? response.get_header_value("Location") : response.get_header_value("Content-Range");
  int64_t length = -1;
  if (response.content_provider_ && !set.noLength) {
    length = static_cast<int64_t>(response.content_length_);
  } else if (!response.content_provider_) {
    length = static_cast<int64_t>(response.body.size());
  }
  log_.Finish(*record, response.status, length, location, Join(tags));
}

void PackageServer::AnswerNormally(const httplib::Request& request, httplib::Response& response,
                                   const std::string& path, const AppliedFaults& faults,
                                   const std::shared_ptr<RequestRecord>& record, std::vector<std::string>* tags) {
  if (const std::optional<PackageEntry> entry = FindPackage(path)) {
    Redirect(request, response, TargetFor(*entry, faults.set.digest));
    if (!faults.set.digest.empty()) tags->push_back("digest");
    return;
  }
  if (const std::optional<std::filesystem::path> file = ResolveFile(path)) {
    ServeFile(request, response, *file, faults, record, tags);
    return;
  }
  AnswerPlain(response, 404);
}

void PackageServer::ServeFile(const httplib::Request& request, httplib::Response& response,
                              const std::filesystem::path& file, const AppliedFaults& faults,
                              const std::shared_ptr<RequestRecord>& record, std::vector<std::string>* tags) {
  const FaultSet& set = faults.set;
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    if (fd >= 0) close(fd);
    AnswerPlain(response, 500);
    return;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  const std::string rangeHeader = request.get_header_value("Range");
  ByteRangeAnswer range;
  if (set.ignoreRange) {
    if (!rangeHeader.empty()) tags->push_back("ignore_range");
  } else {
    response.set_header("Accept-Ranges", "bytes");
    if (!rangeHeader.empty()) range = ResolveRange(rangeHeader, size);
  }

  FileBody body;
  body.fd = fd;
  body.announceLength = !set.noLength;
  body.localPort = request.local_port;
  body.remotePort = request.remote_port;
  body.faults = faults;
  body.table = &faults_;
  body.log = &log_;
  body.record = record;
  switch (range.kind) {
    case ByteRangeAnswer::Kind::Unsatisfiable:
      close(fd);
      response.status = 416;
      response.set_header("Content-Range", "bytes */" + std::to_string(size));
      response.set_content("", "text/plain");
      return;
    case ByteRangeAnswer::Kind::Partial:
      response.status = 206;
      response.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                               std::to_string(range.last) + "/" + std::to_string(size));
      body.first = range.first;
      body.length = range.last - range.first + 1;
      break;
    case ByteRangeAnswer::Kind::Whole:
      response.status = 200;
      body.length = size;
      break;
  }
  if (set.noLength) tags->push_back("no_length");
  if (set.rate) tags->push_back("rate");
  AttachFileBody(response, std::move(body));
}

std::optional<PackageEntry> PackageServer::FindPackage(const std::string& path) const {
  std::string error;
  const std::optional<std::vector<PackageEntry>> entries = ReadPackageMap(root_, &error);
  if (!entries) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return std::nullopt;
  }
  for (const PackageEntry& entry : *entries) {
    if (entry.requestPath == path) return entry;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> PackageServer::ResolveFile(const std::string& rawPath) const {
  {
    std::lock_guard lock(aliasMutex_);
    if (const auto alias = aliases_.find(rawPath); alias != aliases_.end()) return alias->second;
  }
  const std::optional<std::string> decoded = PercentDecode(rawPath, false);
  if (!decoded) return std::nullopt;
  const std::string& path = *decoded;
  // Only plain segments below the publish folder; the canonical form must stay inside it, so a
  // symbolic link cannot lead out either.
  if (path.size() < 2 || path[0] != '/' || path.starts_with("/_")) return std::nullopt;
  std::filesystem::path relative;
  for (size_t start = 1; start <= path.size();) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string segment = path.substr(start, end - start);
    if (segment.empty() || segment == "." || segment == ".." || segment.find('\0') != std::string::npos) {
      return std::nullopt;
    }
    relative /= segment;
    start = end + 1;
  }
  std::error_code ec;
  const std::filesystem::path file = std::filesystem::canonical(root_ / relative, ec);
  if (ec || !std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  const auto [rootEnd, fileAt] = std::mismatch(root_.begin(), root_.end(), file.begin(), file.end());
  if (rootEnd != root_.end()) return std::nullopt;
  return file;
}

std::string PackageServer::TargetFor(const PackageEntry& entry, const std::string& digestFault) {
  if (digestFault.empty()) return entry.TargetPath();
  std::string digest;
  if (digestFault == "wrong") {
    digest = WrongDigest(entry.md5);
  } else if (digestFault == "upper") {
    digest = entry.md5;
    for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  } else if (digestFault == "none") {
    digest = "_nodigest";
  } else {
    digest = digestFault;
  }
  const std::string target = "/" + digest + "/" + PercentEncode(entry.fileName);
  std::lock_guard lock(aliasMutex_);
  aliases_[target] = entry.FileIn(root_);
  return target;
}

}  // namespace Peers
