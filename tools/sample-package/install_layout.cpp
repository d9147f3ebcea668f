#include "tools/sample-package/install_layout.h"

#include <cstdlib>
#include <fstream>

namespace SamplePackage {
namespace {

std::filesystem::path HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

}  // namespace

bool WriteManifest(const std::filesystem::path& file, const Manifest& manifest, std::string* error) {
  std::ofstream out(file, std::ios::trunc);
  for (const std::string& name : manifest.files) out << "file " << name << "\n";
  for (const std::filesystem::path& shortcut : manifest.shortcuts) out << "shortcut " << shortcut.string() << "\n";
  out.flush();
  if (!out) *error = "cannot write " + file.string();
  return static_cast<bool>(out);
}

std::optional<Manifest> ReadManifest(const std::filesystem::path& file, std::string* error) {
  std::ifstream in(file);
  if (!in) return *error = "no installation of Quorvane here (" + file.string() + " is missing)", std::nullopt;
  Manifest manifest;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("file ") && IsPlainName(line.substr(5))) {
      manifest.files.push_back(line.substr(5));
    } else if (line.starts_with("shortcut ") && std::filesystem::path(line.substr(9)).is_absolute() &&
               std::filesystem::path(line.substr(9)).filename() == kDesktopEntry) {
      manifest.shortcuts.emplace_back(line.substr(9));
    } else if (!line.empty()) {
      *error = "unexpected line in " + file.string() + ": " + line;
      return std::nullopt;
    }
  }
  return manifest;
}

std::filesystem::path DesktopFolder() {
  const char* desktop = std::getenv("XDG_DESKTOP_DIR");
  return desktop && *desktop ? std::filesystem::path(desktop) : HomeFolder() / "Desktop";
}

std::filesystem::path ApplicationsFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  return (data && *data ? std::filesystem::path(data) : HomeFolder() / ".local" / "share") / "applications";
}

std::optional<std::string> TrailingFolder(int argc, char** argv, std::string_view prefix) {
  for (int i = argc - 1; i >= 1; --i) {
    const std::string_view arg = argv[i];
    if (!arg.starts_with(prefix)) continue;
    std::string folder(arg.substr(prefix.size()));
    for (int j = i + 1; j < argc; ++j) folder += std::string(" ") + argv[j];
    return folder;
  }
  return std::nullopt;
}

std::optional<std::string> SwitchValue(int argc, char** argv, std::string_view name) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
      return std::string(arg.substr(name.size() + 1));
    }
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> FindFolderWithCollapsedSpaces(const std::string& joined) {
  std::error_code ec;
  const std::filesystem::path path(joined);
  if (std::filesystem::is_directory(path, ec)) return path;
  if (!path.is_absolute()) return std::nullopt;
  std::filesystem::path at = path.root_path();
  for (const std::filesystem::path& part : path.relative_path()) {
    if (part.empty()) continue;
    if (std::filesystem::is_directory(at / part, ec)) {
      at /= part;
      continue;
    }
    std::optional<std::filesystem::path> match;
    for (const auto& entry : std::filesystem::directory_iterator(at, ec)) {
      if (!entry.is_directory(ec) || CollapseSpaces(entry.path().filename().string()) != part.string()) continue;
      if (match) return std::nullopt;  // ambiguous: better no folder than the wrong one
      match = entry.path();
    }
    if (!match) return std::nullopt;
    at = *match;
  }
  return at;
}

std::string CollapseSpaces(std::string_view text) {
  std::string out;
  bool inSpace = false;
  for (const char c : text) {
    const bool space = c == ' ' || c == '\t';
    if (space && !inSpace) out += ' ';
    if (!space) out += c;
    inSpace = space;
  }
  return out;
}

std::string InFolder(const std::string& folder, std::string_view name) {
  return folder + (folder.ends_with('/') ? "" : "/") + std::string(name);
}

void RecordArguments(const std::string& file, int argc, char** argv) {
  if (file.empty()) return;
  std::ofstream out(file, std::ios::trunc);
  for (int i = 0; i < argc; ++i) out << argv[i] << "\n";
}

}  // namespace SamplePackage
