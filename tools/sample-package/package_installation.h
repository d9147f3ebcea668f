#pragma once
// One installation of the sample product, all or nothing: every file is first written beside its
// place under a temporary name ("staged"), and only when all of them are there are they renamed
// into place. A failure before that point leaves the machine as it was.

#include <filesystem>
#include <string>
#include <vector>

#include "tools/sample-package/install_layout.h"
#include "tools/sample-package/protocol_writer.h"

namespace SamplePackage {

struct InstallChoices {
  std::string folder;  // absolute
  bool desktopEntry = false;
  bool quickLaunchEntry = false;
  std::string isOverride = "true";  // set.ini [Uninstall] IsOverride
};

class PackageInstallation {
 public:
  explicit PackageInstallation(InstallChoices choices);
  ~PackageInstallation();  // discards whatever is still staged

  // Extracts the product and the uninstaller from the running package.
  bool StageFiles(ProtocolWriter& out, std::string* error);
  // set.ini, desktop entries and the manifest.
  bool StageRecords(std::string* error);
  bool Commit(std::string* error);
  void Discard();

 private:
  struct Staged {
    std::filesystem::path temporary;
    std::filesystem::path target;
  };
  std::filesystem::path Stage(const std::filesystem::path& target);
  // Creates a folder with its missing parents, remembering each one for Discard.
  bool CreateFolder(const std::filesystem::path& folder, std::string* error);
  bool StageText(const std::filesystem::path& target, const std::string& text, std::string* error);

  InstallChoices choices_;
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> createdFolders_;  // outermost first
  std::vector<Staged> staged_;
  Manifest manifest_;
};

// The text of an ini file with section/key set to value, everything else kept as it was
// (sections and keys compared without regard to case, as Windows does).
std::string WithIniValue(const std::string& text, std::string_view section, std::string_view key,
                         std::string_view value);
// A desktop entry starting the product in its folder.
std::string DesktopEntryText(const std::string& folder);

}  // namespace SamplePackage
