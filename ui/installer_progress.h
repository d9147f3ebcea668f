#pragma once
// The arithmetic of the progress page: the download fills the first `downloadScale` of the bar,
// the installation the rest; the installation's share moves by at least 0.15 per progress event
// (the package reports seldom), capped at 0.95 until success. And the label's text.

#include <string>
#include <string_view>

namespace SkinUI {

// The share of the installation shown so far. It starts at 0 and lives for the whole run.
class InstallProgressAccumulator {
 public:
  // Takes one install progress value (0..1) and returns the new share.
  double Add(double value);
  double Share() const { return share_; }

 private:
  double share_ = 0.0;
};

// Percent of the bar for a download fraction.
int DownloadPercent(double fraction, double downloadScale);
// Percent of the bar for an installation share.
int InstallPercent(double share, double downloadScale);

inline constexpr wchar_t kProgressFormatShort[] = L"正在安装中:%d%%，请稍候...";
inline constexpr wchar_t kProgressFormatLong[] = L"正在安装中:%d%%，请耐心等待...";
// After this many seconds since the download began the label asks for patience.
inline constexpr double kPatienceAfterSeconds = 60.0;

// The label text: `customFormat` (the label's user data) when it is a usable format, else the
// short or the long format by the seconds since the download began. A usable format holds at
// most one "%d" and no other conversion than "%%"; anything else would read arguments that are
// not there. The text is cut to 249 characters, as the label's buffer holds 250.
std::wstring ProgressText(int percent, std::wstring_view customFormat, double secondsSinceDownloadStart);

}  // namespace SkinUI
