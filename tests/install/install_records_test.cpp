// The install records on this system: the registry record, the default and custom folders, the
// override rule, the ini files written for the product, and the product's start.

#include "install/install_records.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "app/installer_settings.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "scratch_folder.h"

namespace {

AccountFacts Facts(bool consoleAdmin, bool elevated) {
  return {[consoleAdmin] { return consoleAdmin; }, [elevated] { return elevated; }};
}

class InstallRecordsTest : public ::testing::Test {
 protected:
  std::wstring ProgramFilesProduct() const {
    return Platform::GetSpecialFolder(Platform::SpecialFolder::ProgramFiles) + L"/Quorvane";
  }
  std::wstring Ini(const std::wstring& file, const wchar_t* section, const wchar_t* key) const {
    return Platform::GetPrivateProfileString(section, key, L"<none>", 1024, file);
  }
  void Record(const std::wstring& installPath, const std::wstring& uninstaller = L"") {
    ASSERT_TRUE(Platform::RegistryWriteString(kInstallRecordKey, L"InstallPath", installPath));
    if (!uninstaller.empty()) {
      ASSERT_TRUE(Platform::RegistryWriteString(kInstallRecordKey, L"UnInstallEp", uninstaller));
    }
  }
  std::wstring MakeFile(const std::wstring& path) {
    EXPECT_TRUE(Platform::CreateOneDirectory(Platform::DirectoryOf(path)) || Platform::IsDirectory(Platform::DirectoryOf(path)));
    EXPECT_TRUE(Platform::WriteFileAtomically(path, "x"));
    return path;
  }

  ScratchFolder home_;
  ScopedEnv config_{"XDG_CONFIG_HOME", home_.native() + "/config"};
  ScopedEnv appData_{"APPDATA", home_.native() + "/appdata"};
  ScopedEnv data_{"XDG_DATA_HOME", home_.native() + "/data"};
};

TEST_F(InstallRecordsTest, DefaultFolderFromTheRecordAndTheAdministratorAnswers) {
  const std::wstring installed = home_ / L"old";
  struct Case {
    const char* name;
    bool record, uninstallerExists, consoleAdmin, elevated;
    std::wstring expected;
  };
  const std::wstring roaming = home_ / L"appdata/tovelle/Quorvane";
  const Case cases[] = {
      {"no record, elevated administrator", false, false, true, true, roaming},
      {"no record, administrator not elevated", false, false, true, false, ProgramFilesProduct()},
      {"no record, elevated non-administrator", false, false, false, true, ProgramFilesProduct()},
      {"no record, neither", false, false, false, false, ProgramFilesProduct()},
      {"record with its uninstaller", true, true, true, true, installed},
      {"record with its uninstaller, not elevated", true, true, false, false, installed},
      {"record without its uninstaller", true, false, false, false, ProgramFilesProduct()},
      {"record without its uninstaller, elevated administrator", true, false, true, true, roaming},
  };
  for (const Case& c : cases) {
    Platform::RemoveTree(home_ / L"config");
    Platform::RemoveTree(installed);
    if (c.record) Record(installed);
    if (c.uninstallerExists) MakeFile(installed + L"/uninst.ep");
    InstallRecords records(Facts(c.consoleAdmin, c.elevated));
    records.ReadInstallRecord();
    EXPECT_EQ(records.GetDefaultInstallDir(), c.expected) << c.name;
    EXPECT_EQ(records.consoleUserIsAdmin, c.consoleAdmin) << c.name;
    EXPECT_EQ(records.processIsElevated, c.elevated) << c.name;
  }
}

TEST_F(InstallRecordsTest, RecordReadsTheUninstallerBesideTheFolderWhenItNamesNone) {
  InstallRecords records(Facts(false, false));
  records.ReadInstallRecord();
  EXPECT_EQ(records.installedPath, L"");
  EXPECT_EQ(records.prevUninstaller, L"");

  Record(L"/opt/Quorvane");
  records.ReadInstallRecord();
  EXPECT_EQ(records.installedPath, L"/opt/Quorvane");
  EXPECT_EQ(records.prevUninstaller, L"/opt/Quorvane/uninst.ep");

  Record(L"/opt/Quorvane", L"/opt/Quorvane/remove");
  records.ReadInstallRecord();
  EXPECT_EQ(records.prevUninstaller, L"/opt/Quorvane/remove");
}

TEST_F(InstallRecordsTest, CustomFolderIsTheProductsOwnFolderUnderTheChosenOne) {
  InstallRecords records(Facts(false, false));
  const std::wstring defaultDir = records.GetDefaultInstallDir();
  const std::pair<std::wstring, std::wstring> cases[] = {
      {home_ / L"Apps", home_ / L"Apps/Quorvane"},
      {home_ / L"Apps/", home_ / L"Apps/Quorvane"},
      {home_.path() + L"\\Apps\\", home_ / L"Apps/Quorvane"},
      {home_ / L"My Apps", home_ / L"My Apps/Quorvane"},
      {defaultDir, defaultDir},
      {defaultDir + L"/", defaultDir},
      {defaultDir + L"/./", defaultDir},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(records.GetCustomInstallDir(text), expected) << Platform::WideToUtf8(text);
    EXPECT_EQ(records.IsDefaultDirChoice(text), expected == defaultDir) << Platform::WideToUtf8(text);
  }
}

TEST_F(InstallRecordsTest, OverrideIsRefusedOnlyByTheRecordedFolderSayingFalse) {
  const std::wstring installed = home_ / L"old";
  const std::wstring other = home_ / L"other";
  struct Case {
    const char* name;
    const wchar_t* isOverride;  // written into the folder's set.ini; nullptr: no set.ini
    std::wstring folder;
    bool disabled;
  };
  const Case cases[] = {
      {"false in the recorded folder", L"false", installed, true},
      {"same folder with a trailing separator", L"false", installed + L"/", true},
      {"capital False still uninstalls", L"False", installed, false},
      {"true", L"true", installed, false},
      {"no set.ini", nullptr, installed, false},
      {"another folder saying false", L"false", other, false},
  };
  for (const Case& c : cases) {
    Platform::RemoveTree(installed);
    Platform::RemoveTree(other);
    ASSERT_TRUE(Platform::CreateOneDirectory(installed));
    ASSERT_TRUE(Platform::CreateOneDirectory(other));
    if (c.isOverride) {
      ASSERT_TRUE(Platform::WritePrivateProfileString(L"Uninstall", L"IsOverride", c.isOverride, c.folder + L"/set.ini"));
    }
    InstallRecords records(Facts(false, false));
    records.installedPath = installed;
    EXPECT_EQ(records.IsOverrideDisabled(c.folder), c.disabled) << c.name;
  }
}

TEST_F(InstallRecordsTest, InstallInfoWritesSetConfigAndTheAnalyticsTimeStamp) {
  const std::wstring folder = home_ / L"Quorvane";
  ASSERT_TRUE(Platform::CreateOneDirectory(folder));
  InstallRecords records(Facts(false, false));
  records.installPath = folder;
  const std::wstring setIni = folder + L"/set.ini";
  const std::wstring metricsIni = home_ / L"appdata/PlenwickData/Quorvane/PWMetrics.ini";

  const int savedLanguage = Settings().Language;
  const std::pair<int, const wchar_t*> languages[] = {{0, L"en-US"}, {1, L"en-US"}, {2, L"zh-TW"}, {7, L"en-US"}};
  std::wstring lastDevice;
  for (const auto& [index, code] : languages) {
    Settings().Language = index;
    records.WriteInstallInfo();
    EXPECT_EQ(Ini(folder + L"/config.ini", L"Install", L"Language"), code) << index;
    const std::wstring device = Ini(setIni, L"Install", L"DeviceID");
    EXPECT_TRUE(std::regex_match(Platform::WideToUtf8(device), std::regex("[0-9A-F]{8}[0-9A-F]{4}[0-9a-f]{4}[0-9A-F]{16}")))
        << Platform::WideToUtf8(device);
    EXPECT_NE(device, lastDevice) << "a new identifier on every write";
    lastDevice = device;
  }
  Settings().Language = savedLanguage;

  EXPECT_EQ(Ini(setIni, L"Install", L"APPStore"), Platform::FileNameOf(Platform::ModuleFileName()));
  EXPECT_EQ(Ini(setIni, L"Install", L"AppName"), L"Quorvane");
  EXPECT_EQ(Ini(setIni, L"Install", L"PWMetricsIni"), metricsIni);
  EXPECT_TRUE(std::regex_match(Platform::WideToUtf8(Ini(metricsIni, L"Init", L"UpdateTime")),
                               std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})")));
}

TEST_F(InstallRecordsTest, InstallInfoWithoutAFolderWritesNothing) {
  InstallRecords records(Facts(false, false));
  records.WriteInstallInfo();
  EXPECT_FALSE(Platform::PathExists(L"set.ini"));
  EXPECT_FALSE(Platform::PathExists(L"/set.ini"));
}

TEST_F(InstallRecordsTest, RegistryRecordAfterAnInstallation) {
  const std::wstring folder = home_ / L"Quorvane";
  struct Case {
    const char* name;
    std::wstring reportedUninstaller;  // 3003, empty when the package named none
    bool uninstallerFileExists;
    std::wstring recordedUninstaller;  // what UnInstallEp holds afterwards
  };
  const Case cases[] = {
      {"default uninstaller present", L"", true, folder + L"/uninst.ep"},
      {"reported uninstaller present", folder + L"/remove", true, folder + L"/remove"},
      {"uninstaller missing keeps the old value", L"", false, L"/previous/uninst.ep"},
  };
  for (const Case& c : cases) {
    Platform::RemoveTree(folder);
    Record(L"/previous", L"/previous/uninst.ep");
    InstallRecords records(Facts(false, false));
    records.installPath = folder;
    records.uninstEp = c.reportedUninstaller;
    if (c.uninstallerFileExists) MakeFile(c.reportedUninstaller.empty() ? folder + L"/uninst.ep" : c.reportedUninstaller);
    records.WriteInstallRecord();
    EXPECT_EQ(Platform::RegistryReadString(kInstallRecordKey, L"InstallPath"), folder) << c.name;
    EXPECT_EQ(Platform::RegistryReadString(kInstallRecordKey, L"UnInstallEp"), c.recordedUninstaller) << c.name;

    InstallRecords next(Facts(false, false));
    next.ReadInstallRecord();
    EXPECT_EQ(next.installedPath, folder) << c.name;
    EXPECT_EQ(next.prevUninstaller, c.recordedUninstaller) << c.name;
  }
}

TEST_F(InstallRecordsTest, PackageFactsBecomeTheFinishingValues) {
  InstallRecords records(Facts(false, false));
  records.installPath = L"/chosen";
  const struct {
    int32_t code;
    double value;
    std::wstring text;
  } facts[] = {
      {3000, 0, L""},  // an empty folder keeps the chosen one
      {3001, 0, L"/opt/Q/Quorvane.exe"}, {3003, 0, L"/opt/Q/uninst.ep"}, {3004, 0, L"http://start"},
      {3005, 1, L""}, {3007, 4294967295.0, L""}, {3008, 0, L""},
  };
  for (const auto& f : facts) EXPECT_TRUE(records.TakeInstallerFact(f.code, f.value, f.text));
  EXPECT_FALSE(records.TakeInstallerFact(2002, 0.5, L""));
  EXPECT_EQ(records.installPath, L"/chosen");
  EXPECT_EQ(records.exePath, L"/opt/Q/Quorvane.exe");
  EXPECT_EQ(records.uninstEp, L"/opt/Q/uninst.ep");
  EXPECT_EQ(records.startUrl, L"http://start");
  EXPECT_EQ(records.startupStyle, 1);
  EXPECT_EQ(records.topShowDelay, -1);
  EXPECT_EQ(records.finishCloseDelay, 0);
  records.TakeInstallerFact(3000, 0, L"/reported");
  EXPECT_EQ(records.installPath, L"/reported");
}

TEST_F(InstallRecordsTest, LaunchStartsTheProgramOnlyWhenItExists) {
  const std::wstring marker = home_ / L"started";
  const std::wstring program = home_ / L"Quorvane.exe";
  ASSERT_TRUE(Platform::WriteFileAtomically(program, "#!/bin/sh\ntouch '" + Platform::WideToUtf8(marker) + "'\n"));
  ASSERT_TRUE(Platform::MakeExecutable(program));

  InstallRecords records(Facts(false, false));
  int hooks = 0;
  records.exePath = home_ / L"missing.exe";
  records.LaunchProduct([&] { ++hooks; });
  EXPECT_EQ(hooks, 0);

  records.exePath = program;
  records.LaunchProduct([&] { ++hooks; });
  EXPECT_EQ(hooks, 1);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Platform::PathExists(marker) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(Platform::PathExists(marker));
}

}  // namespace
