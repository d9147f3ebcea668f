// The progress arithmetic in double precision, truncated as the bar shows it.

#include "ui/installer_progress.h"

#include <gtest/gtest.h>

namespace SkinUI {
namespace {

TEST(InstallerProgress, SharesOfTheBar) {
  EXPECT_EQ(DownloadPercent(0.5, 0.7), 35);
  EXPECT_EQ(DownloadPercent(1.0, 0.7), 70);
  EXPECT_EQ(DownloadPercent(0.5, 1.0), 50);

  InstallProgressAccumulator zeros;
  std::vector<int> shown;
  for (int i = 0; i < 8; ++i) shown.push_back(InstallPercent(zeros.Add(0.0), 0.7));
  EXPECT_EQ(shown, (std::vector<int>{74, 78, 83, 88, 92, 97, 98, 98}));

  InstallProgressAccumulator high;
  EXPECT_EQ(InstallPercent(high.Add(0.9), 0.7), 97);
  EXPECT_EQ(InstallPercent(high.Add(0.2), 0.7), 98) << "the step, capped at 0.95";
  EXPECT_EQ(InstallPercent(high.Add(1.0), 0.7), 100) << "the package's own value may pass the cap";
}

TEST(InstallerProgress, TextIsCutToTheLabelsBuffer) {
  const std::wstring longFormat = std::wstring(300, L'x') + L"%d";
  EXPECT_EQ(ProgressText(5, longFormat, 0), std::wstring(249, L'x'));
  EXPECT_EQ(ProgressText(5, L"", 61), L"正在安装中:5%，请耐心等待...");
  EXPECT_EQ(ProgressText(5, L"", 60), L"正在安装中:5%，请稍候...");
}

}  // namespace
}  // namespace SkinUI
