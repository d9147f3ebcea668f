#include "app/installer_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/codepage.h"
#include "platform/file.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qv-settings-XXXXXX";
    dir_ = mkdtemp(pattern);
    exe_ = Platform::AnsiToWide(dir_ + "/QuorvaneSetup.exe");
  }
  void TearDown() override { Platform::RemoveTree(Platform::AnsiToWide(dir_)); }
  void WriteSettingsFile(const std::string& body) {
    std::ofstream(dir_ + "/PlenwickInstallerConfig.ini", std::ios::binary) << body;
  }
  std::string dir_;
  std::wstring exe_;
};

TEST_F(SettingsTest, WithoutSettingsFileTheBuiltInDefaultsStay) {
  const InstallerSettings s(exe_);
  EXPECT_EQ(s.InstallerFileName, L"QuorvaneSetup.exe");
  EXPECT_EQ(s.DownloadUrl, L"http://packages.plenwick.example/software/387");
  EXPECT_EQ(s.DownloadType, 1);
  EXPECT_FALSE(s.IsCheckNet);
  EXPECT_TRUE(s.IsEnableAppMetrics);
  EXPECT_DOUBLE_EQ(s.DownloadScale, 0.7);
  EXPECT_EQ(s.DlAppNameSuffix, L".downloader");
  EXPECT_EQ(s.ProductId, L"Quorvane");
  EXPECT_EQ(s.ProductVersion, L"1.7.9");
  EXPECT_EQ(s.AbGroup, L"IN");
  EXPECT_TRUE(s.CurlReady);
  EXPECT_EQ(s.MetricsServerUrl, L"");
}

TEST_F(SettingsTest, SettingsFileWithoutKeysTurnsTheNetworkCheckOn) {
  WriteSettingsFile("[Install]\r\n");
  const InstallerSettings s(exe_);
  EXPECT_TRUE(s.IsCheckNet);
  EXPECT_TRUE(s.IsEnableAppMetrics);
  EXPECT_DOUBLE_EQ(s.DownloadScale, 0.7);
}

TEST_F(SettingsTest, SettingsFileValues) {
  WriteSettingsFile(
      "[install]\n"
      "downloadurl=http://127.0.0.1:8080/${ROUTE}/x/${ROUTE}.exe\n"
      "DownloadType=3\n"
      "IsCheckNet=True\n"
      "IsEnableAppMetrics=false\n"
      "DlAppNameSuffix=.dl\n"
      "m_DlAppVersion=2.0\n"
      "InstCmd=-extra=1\n"
      "MetricsServerUrl=http://127.0.0.1:9/collect\n"
      "ProductId=Other\n");
  const InstallerSettings s(exe_);
  EXPECT_EQ(s.DownloadUrl, L"http://127.0.0.1:8080/download_silent/x/download_silent.exe");
  EXPECT_EQ(s.DownloadType, 3);
  EXPECT_FALSE(s.IsCheckNet);  // only the exact text "true" counts
  EXPECT_FALSE(s.IsEnableAppMetrics);
  EXPECT_EQ(s.DlAppNameSuffix, L".dl");
  EXPECT_EQ(s.DlAppVersion, L"2.0");
  EXPECT_EQ(s.InstCmd, L"-extra=1");
  EXPECT_EQ(s.MetricsServerUrl, L"http://127.0.0.1:9/collect");
  EXPECT_EQ(s.ProductId, L"Quorvane");  // fixed whatever the file says
}

TEST_F(SettingsTest, DownloadScaleFromTheFile) {
  const std::pair<const char*, double> cases[] = {
      {"", 0.0}, {"abc", 0.0}, {"0.5", 0.5}, {"2.5", 1.0}, {"-1", 0.0}, {"1e999", 1.0}, {"nan", 0.7}};
  for (const auto& [text, scale] : cases) {
    WriteSettingsFile(std::string("[Install]\nDownloadScale=") + text + "\n");
    EXPECT_DOUBLE_EQ(InstallerSettings(exe_).DownloadScale, scale) << text;
  }
}

TEST_F(SettingsTest, LongValuesAreCutAt259Characters) {
  WriteSettingsFile("[Install]\nInstCmd=" + std::string(400, 'x') + "\n");
  EXPECT_EQ(InstallerSettings(exe_).InstCmd.size(), 259u);
}

TEST_F(SettingsTest, CommandLineOverridesTheFileWithItsOwnRules) {
  WriteSettingsFile("[Install]\nDownloadType=2\nIsCheckNet=true\nInstCmd=file\n");
  InstallerSettings s(exe_);
  s.ApplyCommandLine(
      L"\"/opt/x/setup.exe\" -downloadtype=3 -downloadtype=2 -ischecknet=TRUE -IsEnableAppMetrics=false "
      L"-insnew -instcmd -language=99999999999 -dlappversion=3.1 -unknown=1 "
      L"-downloadurl=http://h/${ROUTE}/p");
  EXPECT_EQ(s.DownloadType, 3);        // the first occurrence wins
  EXPECT_FALSE(s.IsCheckNet);          // present, but not the text "true"
  EXPECT_TRUE(s.IsEnableAppMetrics);   // names are case-sensitive: ignored
  EXPECT_FALSE(s.InsNew);              // present without a value
  EXPECT_EQ(s.InstCmd, L"");           // present without a value: empty text
  EXPECT_EQ(s.Language, INT32_MAX);    // clamped
  EXPECT_EQ(s.DlAppVersion, L"3.1");
  EXPECT_EQ(s.DownloadUrl, L"http://h/download_silent/p");
}

TEST_F(SettingsTest, DownloadScaleFromTheCommandLineStaysWithinTheBar) {
  const std::pair<const wchar_t*, double> cases[] = {
      {L"0.25", 0.25}, {L"abc", 0.7}, {L"nan", 0.7}, {L"5", 1.0}, {L"-0.5", 0.0}, {L"", 0.7}, {L"1e400", 1.0}};
  for (const auto& [text, scale] : cases) {
    InstallerSettings s(exe_);
    s.ApplyCommandLine(std::wstring(L"setup.exe -downloadscale=") + text);
    EXPECT_DOUBLE_EQ(s.DownloadScale, scale) << text;
  }
}

TEST(RouteSubstitution, ChoosesTheRouteForTheSystem) {
  struct Case {
    const wchar_t* url;
    bool xp, is64;
    const wchar_t* expected;
  } cases[] = {
      {L"http://h/software/387", true, true, L"http://h/software/387"},
      {L"http://h/${ROUTE}/p.exe", true, false, L"http://h/download_silent_xp/p.exe"},
      {L"http://h/${ROUTE}/p.exe", false, false, L"http://h/download_silent/p.exe"},
      // This product has no separate 64-bit package.
      {L"http://h/${ROUTE}/p.exe", false, true, L"http://h/download_silent/p.exe"},
      {L"${ROUTE}${ROUTE}", false, false, L"download_silentdownload_silent"},
  };
  for (const Case& c : cases) EXPECT_EQ(SubstituteRoute(c.url, c.xp, c.is64), c.expected) << c.url;
}

TEST(SettingsRecord, IsBuiltBeforeMainFromTheRunningExecutable) {
  EXPECT_FALSE(Settings().InstallerFileName.empty());
  EXPECT_EQ(Settings().InstallerFileName, L"app_tests");
}

}  // namespace
