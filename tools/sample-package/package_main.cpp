// The sample package (downloaded by the installer as __Package_Quorvane.exe): a silent installer
// that carries the product and its uninstaller, installs them into the folder given with /D=, and
// reports on standard output with the installer's progress protocol.
//
//   <package> /S -console=show -version=1.0.0 -adminact=<b> -authorizationact=<b> -dsc=<b> -ssc=<b>
//             [-inslang="<locale>"] [extra switches] -instdir="<folder>" /D=<folder>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "tools/sample-package/install_layout.h"
#include "tools/sample-package/package_installation.h"
#include "tools/sample-package/protocol_writer.h"
#include "tools/sample-package/test_behaviour.h"

namespace {

using namespace SamplePackage;

const std::string kPrefix = "QV_PACKAGE_";

bool IsTrue(const std::optional<std::string>& value) { return value == "true" || value == "1"; }

// The folder of /D=, which is unquoted and may have been split at spaces. When -instdir= names
// the same folder, its exact text is taken instead: rejoining cannot know how many spaces stood
// between the parts.
std::optional<std::string> InstallFolder(int argc, char** argv) {
  const std::optional<std::string> joined = TrailingFolder(argc, argv, "/D=");
  const std::optional<std::string> quoted = SwitchValue(argc, argv, "-instdir");
  if (joined && quoted && CollapseSpaces(*quoted) == *joined) return quoted;
  if (joined) return joined;
  return quoted;
}

std::optional<std::string> CheckFolder(const std::optional<std::string>& folder) {
  if (!folder || folder->empty()) return "no install folder was given (/D=)";
  if (!std::filesystem::path(*folder).is_absolute()) return "the install folder is not an absolute path: " + *folder;
  for (const char c : *folder) {
    if (static_cast<unsigned char>(c) < 0x20) return std::string("the install folder holds a control character");
  }
  return std::nullopt;
}

// The reason and the failure state, in one write.
int Fail(ProtocolWriter& out, const std::string& reason) {
  std::fprintf(stderr, "installation failed: %s\n", reason.c_str());
  out.Lines("Error=" + reason + "\nState=Fail\n");
  return 1;
}

// What a test asked for instead of a successful installation.
std::optional<int> TestFailure(ProtocolWriter& out, const TestBehaviour& behaviour) {
  if (behaviour.error) {
    out.Lines("Error=" + *behaviour.error + "\n" + (behaviour.fail ? "State=Fail\n" : ""));
  } else if (behaviour.fail) {
    out.Line("State=", "Fail");
  } else {
    return std::nullopt;
  }
  return behaviour.exitCode.value_or(1);
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  const TestBehaviour behaviour = TestBehaviour::FromEnvironment(kPrefix);
  RecordArguments(behaviour.argvFile, argc, argv);
  if (behaviour.silentExit) return *behaviour.silentExit;

  ProtocolWriter out(behaviour);
  out.AnnounceEncoding();
  out.Progress(0);
  const std::optional<std::string> folder = InstallFolder(argc, argv);
  if (const std::optional<std::string> problem = CheckFolder(folder)) return Fail(out, *problem);

  InstallChoices choices;
  choices.folder = *folder;
  choices.desktopEntry = IsTrue(SwitchValue(argc, argv, "-dsc"));
  choices.quickLaunchEntry = IsTrue(SwitchValue(argc, argv, "-ssc"));
  choices.isOverride = PrefixedVariable(kPrefix, "IS_OVERRIDE").value_or("true");
  PackageInstallation installation(choices);
  std::string error;
  if (!installation.StageFiles(out, &error)) return Fail(out, error);
  if (const std::optional<int> status = TestFailure(out, behaviour)) return *status;  // nothing was changed
  if (!installation.StageRecords(&error) || !installation.Commit(&error)) return Fail(out, error);
  out.Progress(0.9);

  out.Line("InstPath=", *folder);
  out.Line("InstallVersion=", SwitchValue(argc, argv, "-version").value_or("1.0.0"));
  out.Line("ExePath=", InFolder(*folder, kProductFile));
  out.Line("UninstExePath=", InFolder(*folder, kUninstallerFile));
  out.Line("UninstEp=", InFolder(*folder, kUninstallerFile));
  out.Line("StartupStyle=", PrefixedVariable(kPrefix, "STARTUP_STYLE").value_or("AutoStartup"));
  out.Line("TopShowDetention=", PrefixedVariable(kPrefix, "TOP_SHOW").value_or("3000"));
  out.Line("FinsihCloseDetention=", PrefixedVariable(kPrefix, "FINISH_CLOSE").value_or("-1"));
  if (const std::optional<std::string> message = PrefixedVariable(kPrefix, "MESSAGE")) out.Line("Message=", *message);
  out.BeforeVerdict();
  out.Progress(1);
  out.Line("State=", "Success");
  out.AfterVerdict();
  return behaviour.exitCode.value_or(0);
}
