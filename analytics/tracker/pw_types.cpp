#include "analytics/tracker/pw_types.h"

#include <array>
#include <string_view>

#include "analytics/tracker/pw_exception.h"

namespace plenwick::metrics {
namespace {

template <typename Enum, size_t N>
std::string TextOf(Enum value, const std::array<std::string_view, N>& texts, const std::string& unknownPrefix) {
  const int n = static_cast<int>(value);
  if (n < 0 || static_cast<size_t>(n) >= N) PW_THROW(unknownPrefix + std::to_string(n) + "]!", "toString", "MetricsTrackerImpl");
  return std::string(texts[static_cast<size_t>(n)]);
}

}  // namespace

std::string toString(PwEventType value) {
  static constexpr std::array<std::string_view, 15> texts{
      "Activity", "PaLaunchPal", "Login", "Click",     "View",      "Cashier", "Share",              "Task",
      "File",     "Order",       "Payment", "Uninstall", "Update", "Crashed", "AppOpenNotification"};
  return TextOf(value, texts, "Unknown Event [");
}

std::string toString(PwEdition value) {
  static constexpr std::array<std::string_view, 2> texts{"china", "overseas"};
  return TextOf(value, texts, "Unknown edition [");
}

std::string toString(PwResult value) {
  static constexpr std::array<std::string_view, 4> texts{"Success", "Cancelled", "Fail", "Unknown"};
  return TextOf(value, texts, "Unknown task result [");
}

std::string toString(PwUserType value) {
  static constexpr std::array<std::string_view, 12> texts{
      "unknown", "mobilephone", "email", "weixin", "qq",      "deviceid",
      "baidu",   "huawei",      "apple", "plenwickuserid", "google", "facebook"};
  return TextOf(value, texts, "Unknown user type [");
}

std::string toString(PwClickType value) {
  static constexpr std::array<std::string_view, 5> texts{"Button", "Banner", "Tutorial", "File", "Others"};
  return TextOf(value, texts, "Unknown ClickType [");
}

std::string toString(PwFileIo value) {
  const int n = static_cast<int>(value);
  if (n == 0) return "Input";
  if (n == 1) return "Output";
  PW_THROW("the io type is invalid", "toString", "MetricsTrackerImpl");
}

std::string toString(PwCurrency value) {
  static constexpr std::array<std::string_view, 11> texts{"CNY", "USD", "EUR", "HKD", "TWD", "MOP",
                                                          "SGD", "JPY", "KRW", "INR", "GBP"};
  return TextOf(value, texts, "Unknown currency [");
}

std::string toString(PwPaidPlatform value) {
  static constexpr std::array<std::string_view, 10> texts{"Alipay",    "WeChatPay", "PayPal",   "Tenpay", "CIECC",
                                                          "GooglePay", "HuaweiPay", "AppleIAP", "Paddle", "ChinaUnionPay"};
  return TextOf(value, texts, "Unknown paid platform [");
}

std::string toString(PwIapType value) {
  static constexpr std::array<std::string_view, 4> texts{"Consumable", "NonConsumable", "AutoRenewable", "NonRenewable"};
  return TextOf(value, texts, "Unknown pwIapType [");
}

std::string toString(PwUpdateOp value) {
  static constexpr std::array<std::string_view, 5> texts{"UpdateCheck", "DownloadStart", "DownloadEnd", "UpgrateStart",
                                                         "UpgrateEnd"};
  return TextOf(value, texts, "Unknown PwUpdateOp [");
}

std::string toString(PwUpdateResult value) {
  static constexpr std::array<std::string_view, 6> texts{"Success", "Cancelled", "Timeout", "Fail", "Latest", "Updateable"};
  return TextOf(value, texts, "Unknown PwUpdateResult [");
}

}  // namespace plenwick::metrics
