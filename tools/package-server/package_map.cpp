#include "tools/package-server/package_map.h"

#include <fstream>
#include <sstream>

#include "tools/package-server/peer_http.h"

namespace Peers {
namespace {

bool IsUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

std::optional<PackageEntry> ParseLine(std::string_view line) {
  std::istringstream words{std::string(line)};
  std::string requestPath, target;
  if (!(words >> requestPath >> target) || target.size() < 2 || target.back() != ';') return std::nullopt;
  std::string rest;
  if (words >> rest) return std::nullopt;
  target.pop_back();
  // "/<md5>/<encoded name>"
  if (target.size() < 35 || target[0] != '/' || target[33] != '/') return std::nullopt;
  PackageEntry entry;
  entry.requestPath = requestPath;
  entry.md5 = target.substr(1, 32);
  std::optional<std::string> name = PercentDecode(std::string_view(target).substr(34), false);
  if (!name || !IsPublishablePath(entry.requestPath) || !IsLowerHexDigest(entry.md5) ||
      !IsPublishableFileName(*name)) {
    return std::nullopt;
  }
  entry.fileName = std::move(*name);
  return entry;
}

}  // namespace

std::string PackageEntry::TargetPath() const { return "/" + md5 + "/" + PercentEncode(fileName); }

bool IsPublishablePath(std::string_view path) {
  if (path.size() < 2 || path[0] != '/' || path.starts_with("/_")) return false;
  size_t start = 1;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    if (segment.empty() || segment == "." || segment == "..") return false;
    for (const char c : segment) {
      if (!IsUnreserved(c)) return false;
    }
    start = end + 1;
  }
  return true;
}

bool IsPublishableFileName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  for (const char c : name) {
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool IsLowerHexDigest(std::string_view text) {
  if (text.size() != 32) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::string FormatPackageMapLine(const PackageEntry& entry) {
  return entry.requestPath + " " + entry.TargetPath() + ";";
}

std::optional<std::vector<PackageEntry>> ReadPackageMap(const std::filesystem::path& root, std::string* error) {
  std::vector<PackageEntry> entries;
  std::ifstream in(root / kPackageMapName);
  if (!in) return entries;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    std::optional<PackageEntry> entry = ParseLine(line);
    if (!entry) {
      *error = (root / kPackageMapName).string() + ":" + std::to_string(number) + ": not a package line";
      return std::nullopt;
    }
    entries.push_back(std::move(*entry));
  }
  return entries;
}

bool WritePackageMap(const std::filesystem::path& root, const std::vector<PackageEntry>& entries,
                     std::string* error) {
  const std::filesystem::path target = root / kPackageMapName;
  const std::filesystem::path temporary = root / (std::string(kPackageMapName) + ".new");
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << "# Published packages: request path, then the path it redirects to (/<md5>/<file name>).\n";
    for (const PackageEntry& entry : entries) out << FormatPackageMapLine(entry) << "\n";
    out.flush();
    if (!out) {
      *error = "cannot write " + temporary.string();
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, target, ec);
  if (ec) {
    *error = "cannot replace " + target.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace Peers
