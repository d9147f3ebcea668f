#pragma once
// Publishing a package: copy (or link) the file to <root>/<md5>/<file name> and record the request
// path that redirects to it in the folder's packages.map.

#include <filesystem>
#include <optional>
#include <string>

#include "tools/package-server/package_map.h"

namespace Peers {

struct PublishRequest {
  std::filesystem::path packageFile;
  std::string id;  // "387" publishes /software/387; a value starting with "/" is the request path itself
  std::filesystem::path root;
  std::string fileName;  // empty: the package file's own name
  std::string md5;       // empty: computed from the file
  bool hardLink = false; // link instead of copying (same file system only)
};

// The MD5 of a file as 32 lower-case hexadecimal digits; nothing (and *error) when unreadable.
std::optional<std::string> FileMd5(const std::filesystem::path& file, std::string* error);

std::optional<PackageEntry> Publish(const PublishRequest& request, std::string* error);

// The "publish" command line: <package-file> <id> <publish-folder> [--name N] [--md5 HEX] [--link].
// Prints the published index line without its ";" ("/software/387 /<md5>/<name>"); returns the exit status.
int RunPublishCommand(int argc, char** argv);

}  // namespace Peers
