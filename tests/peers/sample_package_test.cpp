// The sample package and its uninstaller, run as the installer runs them (command lines built the
// installer's way and split with its rules), install and remove a real folder; the test
// behaviours shape their output as documented.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "tests/support/peers.h"

namespace {

using namespace TestSupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

using Environment = std::vector<std::pair<std::string, std::string>>;

struct Choices {
  bool dsc = true;
  bool ssc = true;
  std::wstring inslang = L"zh-CN";
  std::wstring extra{};
};

// The package's command line as the installer assembles it: the quoted package path, the fixed
// switches, the choices, then the folder twice, quoted for -instdir and unquoted after /D=.
std::wstring PackageCommandLine(const fs::path& package, const std::wstring& folder, const Choices& choices) {
  auto flag = [](bool on) { return std::wstring(on ? L"true" : L"false"); };
  std::wstring line = L"\"" + Platform::Utf8ToWide(package.string()) + L"\" /S -console=show -version=1.0.0" +
                      L" -adminact=false -authorizationact=true -dsc=" + flag(choices.dsc) + L" -ssc=" + flag(choices.ssc);
  if (!choices.inslang.empty()) line += L" -inslang=\"" + choices.inslang + L"\"";
  if (!choices.extra.empty()) line += L" " + choices.extra;
  if (!folder.empty()) line += L" -instdir=\"" + folder + L"\" /D=" + folder;
  return line;
}

std::wstring UninstallerCommandLine(const fs::path& uninstaller, const std::wstring& folder) {
  return Platform::Utf8ToWide(uninstaller.string()) + L" /S -adminact=false -authorizationact=false -console=show _?=" +
         folder;
}

std::vector<std::string> ArgvOf(const std::wstring& commandLine) {
  std::vector<std::string> argv;
  for (const std::wstring& arg : Platform::SplitCommandLine(commandLine)) argv.push_back(Platform::WideToUtf8(arg));
  return argv;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Finished {
  std::string output;
  std::optional<int> status;
  std::vector<std::string> lines() const { return LinesOf(output); }
};

Finished RunToEnd(const std::vector<std::string>& argv, ChildOptions options) {
  ChildProcess child(argv, std::move(options));
  Finished finished;
  finished.output = child.ReadRest(60s);
  finished.status = child.WaitFor(30s);
  return finished;
}

class SamplePackageTest : public ::testing::Test {
 protected:
  TempDir dir{"qv-sample"};
  // Downloaded alone into a folder of its own under the installer's name: nothing beside it.
  fs::path package = [this] {
    fs::create_directories(dir / "download");
    const fs::path copy = dir / "download" / "__Package_Quorvane.exe";
    fs::copy_file(SamplePackageProgram(), copy);
    return copy;
  }();
  std::wstring folder = Platform::Utf8ToWide((dir / "Program  Files" / "夸尔凡 Quorvane").string());
  fs::path installed = Platform::WideToUtf8(folder);

  ChildOptions Options(Environment extra = {}) const {
    Environment environment = {{"HOME", (dir / "home").string()},
                               {"XDG_DATA_HOME", (dir / "data").string()},
                               {"XDG_DESKTOP_DIR", (dir / "desktop").string()}};
    environment.insert(environment.end(), extra.begin(), extra.end());
    return {environment};
  }
  Finished Install(Environment extra = {}, const Choices& choices = {}) {
    return RunToEnd(ArgvOf(PackageCommandLine(package, folder, choices)), Options(std::move(extra)));
  }
  // The installer runs a copy of the recorded uninstaller from its own temporary folder.
  Finished Uninstall(Environment extra = {}) {
    fs::create_directories(dir / "temp");
    const fs::path copy = dir / "temp" / "Quorvane_un_asa.exe";
    fs::copy_file(installed / "uninst.ep", copy, fs::copy_options::overwrite_existing);
    return RunToEnd(ArgvOf(UninstallerCommandLine(copy, folder)), Options(std::move(extra)));
  }
};

TEST_F(SamplePackageTest, InstallsFromTheInstallersCommandLineAndUninstallsCleanly) {
  ASSERT_GE(fs::file_size(package), 1u << 20);
  const std::wstring commandLine = PackageCommandLine(package, folder, {.extra = L"-channel=beta"});
  const Finished install = Install({{"QV_PACKAGE_ARGV_FILE", (dir / "argv.txt").string()}},
                                   {.extra = L"-channel=beta"});
  EXPECT_EQ(install.status, 0);

  // The child receives exactly what the installer's split gives, /D= split at the spaces.
  const std::vector<std::string> argv = ArgvOf(commandLine);
  EXPECT_EQ(LinesOf(ReadFileBytes(dir / "argv.txt")), argv);
  EXPECT_EQ(argv.back(), "Quorvane");

  const std::string at = installed.string();
  const std::vector<std::string> expected = {
      "Encode=UTF8", "Progress=0.000", "Progress=0.100", "Progress=0.400", "Progress=0.700", "Progress=0.900",
      "InstPath=" + at, "InstallVersion=1.0.0", "ExePath=" + at + "/Quorvane.exe",
      "UninstExePath=" + at + "/uninst.ep", "UninstEp=" + at + "/uninst.ep", "StartupStyle=AutoStartup",
      "TopShowDetention=3000", "FinsihCloseDetention=-1", "Progress=1.000", "State=Success"};
  EXPECT_EQ(install.lines(), expected);

  EXPECT_EQ(ReadFileBytes(installed / "Quorvane.exe"), ReadFileBytes(SampleProductProgram()));
  EXPECT_EQ(ReadFileBytes(installed / "uninst.ep"), ReadFileBytes(SampleUninstallerProgram()));
  EXPECT_EQ(ReadFileBytes(installed / "set.ini"), "[Uninstall]\nIsOverride=true\n");
  const std::string entry = ReadFileBytes(dir / "desktop" / "Quorvane.desktop");
  EXPECT_NE(entry.find("Exec=\"" + at + "/Quorvane.exe\"\n"), std::string::npos) << entry;
  EXPECT_EQ(ReadFileBytes(dir / "data" / "applications" / "Quorvane.desktop"), entry);

  // The product records that it ran, in the folder it was installed to.
  const Finished product = RunToEnd({(installed / "Quorvane.exe").string(), "--from-test"},
                                    {{{"QV_PRODUCT_LINGER_MS", "0"}}});
  EXPECT_EQ(product.status, 0);
  EXPECT_NE(ReadFileBytes(installed / "product-runs.log").find("args=--from-test\n"), std::string::npos);
  WriteFileBytes(installed / "config.ini", "[Install]\nLanguage=en-US\n");  // as the installer writes it

  const Finished uninstall = Uninstall();
  EXPECT_EQ(uninstall.status, 0);
  EXPECT_EQ(uninstall.lines().front(), "Encode=UTF8");
  EXPECT_EQ(uninstall.lines().back(), "State=Success");
  EXPECT_FALSE(fs::exists(installed));
  EXPECT_FALSE(fs::exists(dir / "desktop" / "Quorvane.desktop"));
  EXPECT_FALSE(fs::exists(dir / "data" / "applications" / "Quorvane.desktop"));
}

TEST_F(SamplePackageTest, ReinstallingKeepsWhatIsNotItsOwn) {
  fs::create_directories(installed);
  WriteFileBytes(installed / "set.ini", "[Install]\r\nAppName=Quorvane\r\n[uninstall]\r\nisoverride=true\r\n");
  WriteFileBytes(installed / "notes.txt", "the user's own file");
  EXPECT_EQ(Install({{"QV_PACKAGE_IS_OVERRIDE", "false"}}, {.dsc = false, .ssc = false}).status, 0);
  EXPECT_EQ(ReadFileBytes(installed / "set.ini"), "[Install]\r\nAppName=Quorvane\r\n[uninstall]\r\nIsOverride=false\r\n");
  EXPECT_FALSE(fs::exists(dir / "desktop" / "Quorvane.desktop"));

  EXPECT_EQ(Uninstall().status, 0);
  EXPECT_EQ(ReadFileBytes(installed / "notes.txt"), "the user's own file");
  EXPECT_FALSE(fs::exists(installed / "Quorvane.exe"));
  EXPECT_FALSE(fs::exists(installed / "set.ini"));
}

TEST_F(SamplePackageTest, AFailedInstallationChangesNothing) {
  struct Case {
    const char* name;
    Environment environment;
    std::wstring folder;
    std::vector<std::string> lastLines;
  };
  const Case cases[] = {
      {"failure state", {{"QV_PACKAGE_FAIL", "1"}}, folder, {"State=Fail"}},
      {"error text", {{"QV_PACKAGE_ERROR", "磁盘已满"}}, folder, {"Error=磁盘已满"}},
      {"error then failure state", {{"QV_PACKAGE_ERROR", "x"}, {"QV_PACKAGE_FAIL", "1"}}, folder, {"Error=x", "State=Fail"}},
      {"relative folder", {}, L"Apps/Quorvane", {"Error=the install folder is not an absolute path: Apps/Quorvane", "State=Fail"}},
      {"no folder", {}, L"", {"Error=no install folder was given (/D=)", "State=Fail"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Finished run = RunToEnd(ArgvOf(PackageCommandLine(package, c.folder, {})), Options(c.environment));
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = run.lines();
    ASSERT_GE(lines.size(), c.lastLines.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(c.lastLines.size()), lines.end()), c.lastLines);
    EXPECT_FALSE(fs::exists(installed.parent_path()));
    EXPECT_FALSE(fs::exists(dir / "desktop"));
  }
}

TEST_F(SamplePackageTest, TheUninstallerRefusesWhatItDidNotInstall) {
  ASSERT_EQ(Install().status, 0);
  const Finished failing = Uninstall({{"QV_UNINSTALL_FAIL", "1"}});
  EXPECT_EQ(failing.status, 1);
  EXPECT_EQ(failing.lines().back(), "State=Fail");
  EXPECT_TRUE(fs::exists(installed / "Quorvane.exe"));

  // A manifest naming files outside the installation is refused as a whole.
  const std::string manifest = ReadFileBytes(installed / "Quorvane.manifest");
  WriteFileBytes(dir / "precious", "keep");
  WriteFileBytes(installed / "Quorvane.manifest", manifest + "file ../../precious\n");
  EXPECT_EQ(Uninstall().lines().back().rfind("Error=unexpected line", 0), 0u);
  EXPECT_TRUE(fs::exists(dir / "precious"));
  EXPECT_TRUE(fs::exists(installed / "Quorvane.exe"));

  fs::remove(installed / "Quorvane.manifest");
  EXPECT_EQ(Uninstall().lines().back().rfind("Error=no installation of Quorvane here", 0), 0u);
  EXPECT_TRUE(fs::exists(installed / "Quorvane.exe"));
}

TEST_F(SamplePackageTest, TestBehavioursShapeTheOutput) {
  struct Case {
    const char* name;
    Environment environment;
    int status;
    std::function<void(const std::string&)> check;
  };
  auto contains = [](std::string needle) {
    return [needle](const std::string& output) { EXPECT_NE(output.find(needle), std::string::npos) << needle; };
  };
  const Case cases[] = {
      {"values of the facts",
       {{"QV_PACKAGE_STARTUP_STYLE", "UserStartup"}, {"QV_PACKAGE_TOP_SHOW", "0"}, {"QV_PACKAGE_FINISH_CLOSE", "5"},
        {"QV_PACKAGE_MESSAGE", "欢迎"}, {"QV_PACKAGE_LINES", "StartUrl=https://example.com/\nUnknown=1"}},
       0,
       [&](const std::string& output) {
         for (const char* line : {"StartupStyle=UserStartup\n", "TopShowDetention=0\n", "FinsihCloseDetention=5\n",
                                  "Message=欢迎\n", "StartUrl=https://example.com/\nUnknown=1\n"}) {
           contains(line)(output);
         }
       }},
      {"a 5,000-character value", {{"QV_PACKAGE_LONG_VALUE", "5000"}}, 0, contains("\nMessage=" + std::string(5000, 'x') + "\n")},
      {"GBK", {{"QV_PACKAGE_ENCODE", "936"}, {"QV_PACKAGE_MESSAGE", "安装"}}, 0,
       [&](const std::string& output) {
         EXPECT_EQ(output.rfind("Encode=936\n", 0), 0u);
         contains("Message=\xb0\xb2\xd7\xb0\n")(output);
         contains(Platform::FromWide(L"InstPath=" + folder, 936))(output);
       }},
      {"exit code", {{"QV_PACKAGE_EXIT_CODE", "7"}}, 7, contains("State=Success\n")},
      {"print nothing", {{"QV_PACKAGE_SILENT_EXIT", "3"}}, 3, [](const std::string& output) { EXPECT_EQ(output, ""); }},
      {"keep writing after the verdict", {{"QV_PACKAGE_AFTER_VERDICT", "110000"}}, 0,
       [](const std::string& output) {
         const std::string after = output.substr(output.find("State=Success\n") + 14);
         EXPECT_EQ(after.size(), 110000u);
         EXPECT_EQ(after.substr(0, 22), "Progress=1\nProgress=1\n");
       }},
      {"flood standard output", {{"QV_PACKAGE_FLOOD_STDOUT", "3000000"}}, 0,
       [](const std::string& output) {
         EXPECT_GT(output.size(), 3000000u);
         EXPECT_TRUE(output.ends_with("Progress=1.000\nState=Success\n"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Finished run = Install(c.environment);
    EXPECT_EQ(run.status, c.status);
    c.check(run.output);
    fs::remove_all(installed);
  }
}

TEST_F(SamplePackageTest, WritesCanBeCutAcrossReads) {
  // Each read returns what has arrived; a reader that keeps up sees the pieces the child wrote.
  auto reads = [&](const Environment& environment) {
    ChildProcess child(ArgvOf(PackageCommandLine(package, folder, {})), Options(environment));
    std::vector<std::string> chunks;
    while (std::optional<std::string> chunk = child.ReadSome(30s)) chunks.push_back(*chunk);
    EXPECT_EQ(child.WaitFor(10s), 0);
    fs::remove_all(installed);
    return chunks;
  };
  auto countIf = [](const std::vector<std::string>& chunks, auto predicate) {
    return std::count_if(chunks.begin(), chunks.end(), predicate);
  };

  const std::vector<std::string> small = reads({{"QV_PACKAGE_SPLIT_WRITES", "16"}, {"QV_PACKAGE_SPLIT_PAUSE_MS", "15"}});
  EXPECT_GT(countIf(small, [](const std::string& c) { return !c.ends_with('\n'); }), 10);
  EXPECT_TRUE(std::accumulate(small.begin(), small.end(), std::string()).ends_with("\nState=Success\n"));

  // Lines with the folder's Chinese name are cut after the first byte of its first character.
  const std::vector<std::string> cut = reads({{"QV_PACKAGE_SPLIT_CHAR", "1"}});
  EXPECT_GE(countIf(cut, [](const std::string& c) { return c.ends_with("/\xe5"); }), 1);
  EXPECT_GE(countIf(cut, [](const std::string& c) { return c.starts_with("\xa4\xb8\xe5\xb0\x94"); }), 1);

  // The encoding line arrives alone, so that the next read can be decoded with it.
  EXPECT_EQ(reads({{"QV_PACKAGE_ENCODE", "936"}}).front(), "Encode=936\n");
}

TEST_F(SamplePackageTest, HangsUntilKilledAndPausesBetweenProgressLines) {
  ChildProcess hanging(ArgvOf(PackageCommandLine(package, folder, {})), Options({{"QV_PACKAGE_HANG_AFTER", "2"}}));
  EXPECT_EQ(hanging.ReadLine(10s), "Encode=UTF8");
  EXPECT_EQ(hanging.ReadLine(10s), "Progress=0.000");
  EXPECT_EQ(hanging.ReadLine(300ms), std::nullopt);
  EXPECT_EQ(hanging.WaitFor(0ms), std::nullopt);
  EXPECT_EQ(hanging.Terminate(), 128 + SIGTERM);

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Install({{"QV_PACKAGE_PROGRESS_PAUSE_MS", "60"}}).status, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 6 * 60ms);  // six progress lines
}

TEST_F(SamplePackageTest, FloodsStandardErrorWithoutLosingTheProtocol) {
  ChildOptions options = Options({{"QV_PACKAGE_FLOOD_STDERR", "4000000"}});
  options.discardStderr = true;
  const Finished run = RunToEnd(ArgvOf(PackageCommandLine(package, folder, {})), options);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.lines().back(), "State=Success");
}

}  // namespace
