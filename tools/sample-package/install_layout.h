#pragma once
// What the sample package puts where, shared by the package (which installs it) and the
// uninstaller (which removes it again).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SamplePackage {

inline constexpr char kProductFile[] = "Quorvane.exe";
inline constexpr char kUninstallerFile[] = "uninst.ep";
inline constexpr char kSettingsFile[] = "set.ini";
inline constexpr char kInstallerSettingsFile[] = "config.ini";  // written by the installer
inline constexpr char kProductRunLog[] = "product-runs.log";     // written by the product
inline constexpr char kManifestFile[] = "Quorvane.manifest";
inline constexpr char kDesktopEntry[] = "Quorvane.desktop";

// What one installation made: files in the install folder (plain names) and desktop entries
// (absolute paths), so that the uninstaller removes exactly these whatever the environment is then.
struct Manifest {
  std::vector<std::string> files;
  std::vector<std::filesystem::path> shortcuts;
};

bool WriteManifest(const std::filesystem::path& file, const Manifest& manifest, std::string* error);
// Refuses entries the package never writes (a path in a file entry, a shortcut that is not one
// of its desktop entries), so a doctored manifest cannot make the uninstaller delete other files.
std::optional<Manifest> ReadManifest(const std::filesystem::path& file, std::string* error);

// $XDG_DESKTOP_DIR, else $HOME/Desktop.
std::filesystem::path DesktopFolder();
// $XDG_DATA_HOME/applications, else $HOME/.local/share/applications.
std::filesystem::path ApplicationsFolder();

// The value of the last argument that starts with `prefix` ("/D=", "_?="), joined with the
// arguments after it by single spaces: the installer passes that folder unquoted as the last
// item, so a folder with spaces arrives split into several arguments.
std::optional<std::string> TrailingFolder(int argc, char** argv, std::string_view prefix);
// The value of "<name>=<value>" among the arguments, when present.
std::optional<std::string> SwitchValue(int argc, char** argv, std::string_view name);
// The existing folder that `joined` names once runs of white space in its names are taken as one
// space (how TrailingFolder gives back a folder whose name had two spaces in a row); `joined`
// itself when it exists, nothing when no folder or more than one matches.
std::optional<std::filesystem::path> FindFolderWithCollapsedSpaces(const std::string& joined);
// Every run of white space as one space.
std::string CollapseSpaces(std::string_view text);
// "<folder>/<name>" without a doubled separator.
std::string InFolder(const std::string& folder, std::string_view name);
// Records argv, one argument a line, into `file` when it is not empty.
void RecordArguments(const std::string& file, int argc, char** argv);

}  // namespace SamplePackage
