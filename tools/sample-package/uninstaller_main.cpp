// The sample product's uninstaller (installed as uninst.ep; the installer runs a copy of it):
// removes what the package installed into the folder given with _?= and reports with the
// installer's progress protocol (Progress=, Error=, State=).
//
//   <uninstaller> /S -adminact=<b> -authorizationact=<b> -console=show _?=<installed folder>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "tools/sample-package/install_layout.h"
#include "tools/sample-package/protocol_writer.h"
#include "tools/sample-package/test_behaviour.h"

namespace {

using namespace SamplePackage;

int Fail(ProtocolWriter& out, const std::string& reason) {
  std::fprintf(stderr, "uninstallation failed: %s\n", reason.c_str());
  out.Line("Error=", reason);
  return 1;
}

bool RemoveFile(const std::filesystem::path& file, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(std::filesystem::symlink_status(file, ec))) return true;  // not ours
  std::filesystem::remove(file, ec);
  if (ec) *error = "cannot remove " + file.string() + ": " + ec.message();
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  const TestBehaviour behaviour = TestBehaviour::FromEnvironment("QV_UNINSTALL_");
  RecordArguments(behaviour.argvFile, argc, argv);
  if (behaviour.silentExit) return *behaviour.silentExit;

  ProtocolWriter out(behaviour);
  out.AnnounceEncoding();
  out.Progress(0);
  const std::optional<std::string> joined = TrailingFolder(argc, argv, "_?=");
  if (!joined || !std::filesystem::path(*joined).is_absolute()) {
    return Fail(out, "no absolute installed folder was given (_?=)");
  }
  // The folder comes unquoted and split at white space; a name with two spaces in a row is found
  // again among the existing folders.
  const std::optional<std::filesystem::path> found = FindFolderWithCollapsedSpaces(*joined);
  if (!found) return Fail(out, "no installation of Quorvane here (" + *joined + " is missing)");
  const std::optional<std::string> folder = found->string();
  std::string error;
  const std::optional<Manifest> manifest = ReadManifest(std::filesystem::path(*folder) / kManifestFile, &error);
  if (!manifest) return Fail(out, error);
  out.Progress(0.1);

  if (behaviour.error) {
    out.Lines("Error=" + *behaviour.error + "\n" + (behaviour.fail ? "State=Fail\n" : ""));
    return behaviour.exitCode.value_or(1);
  }
  if (behaviour.fail) {
    out.Line("State=", "Fail");
    return behaviour.exitCode.value_or(1);
  }

  // The manifest goes last: while anything of the installation is left, it still says what.
  const size_t total = manifest->files.size() + manifest->shortcuts.size();
  size_t done = 0;
  for (const std::filesystem::path& shortcut : manifest->shortcuts) {
    if (!RemoveFile(shortcut, &error)) return Fail(out, error);
    out.Progress(0.1 + 0.8 * static_cast<double>(++done) / static_cast<double>(total));
  }
  for (const std::string& name : manifest->files) {
    if (name == kManifestFile) continue;
    if (!RemoveFile(std::filesystem::path(*folder) / name, &error)) return Fail(out, error);
    out.Progress(0.1 + 0.8 * static_cast<double>(++done) / static_cast<double>(total));
  }
  if (!RemoveFile(std::filesystem::path(*folder) / kManifestFile, &error)) return Fail(out, error);
  std::error_code ec;
  std::filesystem::remove(*folder, ec);  // only when nothing else was left in it

  out.BeforeVerdict();
  out.Progress(1);
  out.Line("State=", "Success");
  out.AfterVerdict();
  return behaviour.exitCode.value_or(0);
}
