#pragma once
// The publish folder's index, "packages.map": one line per published package, mapping the request
// path the installer asks for to the path of the file it must be redirected to:
//
//   /software/387 /0cc175b9c0f1b6a831c399e269772661/Quorvane_setup.exe;
//
// The syntax is that of an nginx map block body, so the same file drives the package server and
// an nginx deployment (tools/nginx). The file itself lies at <root>/<md5>/<file name>.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Peers {

inline constexpr char kPackageMapName[] = "packages.map";

struct PackageEntry {
  std::string requestPath;  // "/software/387"
  std::string md5;          // 32 lower-case hexadecimal digits
  std::string fileName;     // decoded, as stored on disk

  // "/<md5>/<percent-encoded file name>", the redirect target.
  std::string TargetPath() const;
  std::filesystem::path FileIn(const std::filesystem::path& root) const { return root / md5 / fileName; }
};

// A request path that may be published: "/" followed by non-empty segments of letters, digits
// and "-._~", no "." or ".." segment, not under the server's own "/_" paths.
bool IsPublishablePath(std::string_view path);
// A file name that may be published: not empty, not "." or "..", no "/", no control character.
bool IsPublishableFileName(std::string_view name);
bool IsLowerHexDigest(std::string_view text);

// Reads the index; a missing file is an empty index. Returns nothing (and sets *error) when a
// line cannot be understood.
std::optional<std::vector<PackageEntry>> ReadPackageMap(const std::filesystem::path& root, std::string* error);
// Replaces the index atomically (temporary file, then rename).
bool WritePackageMap(const std::filesystem::path& root, const std::vector<PackageEntry>& entries,
                     std::string* error);

std::string FormatPackageMapLine(const PackageEntry& entry);

}  // namespace Peers
