#include "ui/installer_progress.h"

#include <algorithm>
#include <optional>

namespace SkinUI {
namespace {

constexpr double kInstallStep = 0.15;
constexpr double kInstallCap = 0.95;
constexpr size_t kProgressTextLimit = 249;

int TruncatedPercent(double share) { return static_cast<int>(share * 100); }

// The format with the percent filled in, or nothing when the format is not usable.
std::optional<std::wstring> FillPercent(std::wstring_view format, int percent) {
  std::wstring out;
  bool filled = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') {
      out += format[i];
      continue;
    }
    if (i + 1 >= format.size()) return std::nullopt;
    const wchar_t next = format[++i];
    if (next == L'%') {
      out += L'%';
    } else if (next == L'd' && !filled) {
      out += std::to_wstring(percent);
      filled = true;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace

double InstallProgressAccumulator::Add(double value) {
  share_ = std::min(share_ + kInstallStep, kInstallCap);
  share_ = std::max(share_, value);
  return share_;
}

int DownloadPercent(double fraction, double downloadScale) { return TruncatedPercent(fraction * downloadScale); }

int InstallPercent(double share, double downloadScale) {
  return TruncatedPercent((1 - downloadScale) * share + downloadScale);
}

std::wstring ProgressText(int percent, std::wstring_view customFormat, double secondsSinceDownloadStart) {
  std::optional<std::wstring> text;
  if (!customFormat.empty()) text = FillPercent(customFormat, percent);
  if (!text)
    text = FillPercent(secondsSinceDownloadStart > kPatienceAfterSeconds ? kProgressFormatLong : kProgressFormatShort,
                       percent);
  if (text->size() > kProgressTextLimit) text->resize(kProgressTextLimit);
  return *text;
}

}  // namespace SkinUI
