#include "tools/sample-package/package_installation.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <fstream>
#include <sstream>

#include "tools/sample-package/payload.h"

namespace SamplePackage {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Exec= quoting of the desktop entry format: inside double quotes, ", `, $ and \ take a
// backslash, and then the value's own escaping doubles every backslash; % is written %%.
std::string QuoteExec(const std::string& path) {
  std::string out = "\"";
  for (const char c : path) {
    if (c == '"' || c == '`' || c == '$') {
      out += "\\\\";
      out += c;
    } else if (c == '\\') {
      out += "\\\\\\\\";
    } else if (c == '%') {
      out += "%%";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string EscapeValue(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

}  // namespace

std::string WithIniValue(const std::string& text, std::string_view section, std::string_view key,
                         std::string_view value) {
  const std::string newline = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const std::string entry = std::string(key) + "=" + std::string(value);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    lines.push_back(line);
  }
  auto joined = [&] {
    std::string out;
    for (const std::string& line : lines) out += line + newline;
    return out;
  };
  bool inSection = false;
  std::optional<size_t> sectionLine;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = Trim(lines[i]);
    if (line.starts_with('[') && line.ends_with(']')) {
      inSection = Lower(Trim(line.substr(1, line.size() - 2))) == Lower(section);
      if (inSection && !sectionLine) sectionLine = i;
      continue;
    }
    const size_t equals = line.find('=');
    if (inSection && equals != std::string_view::npos && Lower(Trim(line.substr(0, equals))) == Lower(key)) {
      lines[i] = entry;
      return joined();
    }
  }
  if (sectionLine) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionLine) + 1, entry);
  } else {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
  }
  return joined();
}

std::string DesktopEntryText(const std::string& folder) {
  return "[Desktop Entry]\nType=Application\nName=Quorvane\nExec=" + QuoteExec(InFolder(folder, kProductFile)) +
         "\nPath=" + EscapeValue(folder) + "\nTerminal=false\n";
}

PackageInstallation::PackageInstallation(InstallChoices choices)
    : choices_(std::move(choices)), folder_(choices_.folder) {}

PackageInstallation::~PackageInstallation() { Discard(); }

std::filesystem::path PackageInstallation::Stage(const std::filesystem::path& target) {
  const std::filesystem::path temporary = target.parent_path() / ("." + target.filename().string() + ".installing");
  staged_.push_back({temporary, target});
  return temporary;
}

bool PackageInstallation::CreateFolder(const std::filesystem::path& folder, std::string* error) {
  std::vector<std::filesystem::path> missing;
  std::error_code ec;
  for (std::filesystem::path at = folder; !at.empty() && !std::filesystem::exists(at, ec); at = at.parent_path()) {
    missing.insert(missing.begin(), at);
    if (at == at.parent_path()) break;
  }
  for (const std::filesystem::path& at : missing) {
    if (!std::filesystem::create_directory(at, ec) && ec) {
      *error = "cannot create the folder " + at.string() + ": " + ec.message();
      return false;
    }
    createdFolders_.push_back(at);
  }
  return true;
}

bool PackageInstallation::StageText(const std::filesystem::path& target, const std::string& text, std::string* error) {
  if (!CreateFolder(target.parent_path(), error)) return false;
  const std::filesystem::path temporary = Stage(target);
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << text;
  out.flush();
  if (!out) *error = "cannot write " + temporary.string();
  return static_cast<bool>(out);
}

bool PackageInstallation::StageFiles(ProtocolWriter& out, std::string* error) {
  if (!CreateFolder(folder_, error)) return false;
  out.Progress(0.1);
  const int self = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (self < 0) return *error = "cannot open the package itself", false;
  const std::optional<std::vector<PayloadEntry>> entries = ReadPayloadIndex(self, error);
  bool ok = entries.has_value();
  double progress = 0.1;
  for (const char* name : {kProductFile, kUninstallerFile}) {
    if (!ok) break;
    const auto entry = std::find_if(entries->begin(), entries->end(), [&](const PayloadEntry& e) { return e.name == name; });
    if (entry == entries->end()) {
      *error = std::string("the package does not carry ") + name;
      ok = false;
      break;
    }
    ok = ExtractEntry(self, *entry, Stage(folder_ / name), 0755, error);
    progress += 0.3;
    if (ok) out.Progress(progress);
  }
  close(self);
  manifest_.files = {kProductFile, kUninstallerFile, kSettingsFile, kInstallerSettingsFile, kProductRunLog};
  return ok;
}

bool PackageInstallation::StageRecords(std::string* error) {
  const std::filesystem::path settings = folder_ / kSettingsFile;
  if (!StageText(settings, WithIniValue(ReadText(settings), "Uninstall", "IsOverride", choices_.isOverride), error)) {
    return false;
  }
  // Desktop entries of an earlier installation stay listed, so the uninstaller still removes them.
  std::string ignored;
  if (const std::optional<Manifest> earlier = ReadManifest(folder_ / kManifestFile, &ignored)) {
    manifest_.shortcuts = earlier->shortcuts;
  }
  auto addEntry = [&](const std::filesystem::path& folder) {
    const std::filesystem::path entry = folder / kDesktopEntry;
    if (std::find(manifest_.shortcuts.begin(), manifest_.shortcuts.end(), entry) == manifest_.shortcuts.end()) {
      manifest_.shortcuts.push_back(entry);
    }
    return StageText(entry, DesktopEntryText(choices_.folder), error);
  };
  if (choices_.desktopEntry && !addEntry(DesktopFolder())) return false;
  if (choices_.quickLaunchEntry && !addEntry(ApplicationsFolder())) return false;
  manifest_.files.push_back(kManifestFile);
  return WriteManifest(Stage(folder_ / kManifestFile), manifest_, error);
}

bool PackageInstallation::Commit(std::string* error) {
  // The manifest was staged last, so it is renamed last: it only ever lists what is in place.
  for (const Staged& staged : staged_) {
    std::error_code ec;
    std::filesystem::rename(staged.temporary, staged.target, ec);
    if (ec) {
      *error = "cannot put " + staged.target.string() + " in place: " + ec.message();
      return false;
    }
  }
  staged_.clear();
  createdFolders_.clear();
  return true;
}

void PackageInstallation::Discard() {
  std::error_code ec;
  for (const Staged& staged : staged_) std::filesystem::remove(staged.temporary, ec);
  staged_.clear();
  // Innermost first; remove() leaves a folder alone that is not empty.
  for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder) {
    std::filesystem::remove(*folder, ec);
  }
  createdFolders_.clear();
}

}  // namespace SamplePackage
