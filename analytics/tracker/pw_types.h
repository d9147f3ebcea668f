#pragma once
// The tracker's enumerations and their texts on the wire. Each toString raises PwException for a
// value outside its table.

#include <string>

namespace plenwick::metrics {

enum class PwEventType : int {
  Activity = 0, PaLaunchPal = 1, Login = 2, Click = 3, View = 4, Cashier = 5, Share = 6, Task = 7,
  File = 8, Order = 9, Payment = 10, Uninstall = 11, Update = 12, Crashed = 13, AppOpenNotification = 14,
};
inline constexpr int kEventTypeCount = 15;

enum class PwEdition : int { China = 0, Overseas = 1 };
enum class PwResult : int { Success = 0, Cancelled = 1, Fail = 2, Unknown = 3 };
enum class PwUserType : int {
  Unknown = 0, MobilePhone, Email, Weixin, QQ, DeviceId, Baidu, Huawei, Apple, PlenwickUserId, Google, Facebook,
};
enum class PwClickType : int { Button = 0, Banner, Tutorial, File, Others };
enum class PwFileIo : int { Input = 0, Output = 1 };
enum class PwCurrency : int { CNY = 0, USD, EUR, HKD, TWD, MOP, SGD, JPY, KRW, INR, GBP };
enum class PwPaidPlatform : int {
  Alipay = 0, WeChatPay, PayPal, Tenpay, CIECC, GooglePay, HuaweiPay, AppleIAP, Paddle, ChinaUnionPay,
};
enum class PwIapType : int { Consumable = 0, NonConsumable, AutoRenewable, NonRenewable };
enum class PwUpdateOp : int { UpdateCheck = 0, DownloadStart, DownloadEnd, UpgrateStart, UpgrateEnd };
enum class PwUpdateResult : int { Success = 0, Cancelled, Timeout, Fail, Latest, Updateable };

std::string toString(PwEventType value);
std::string toString(PwEdition value);
std::string toString(PwResult value);
std::string toString(PwUserType value);
std::string toString(PwClickType value);
std::string toString(PwFileIo value);
std::string toString(PwCurrency value);
std::string toString(PwPaidPlatform value);
std::string toString(PwIapType value);
std::string toString(PwUpdateOp value);
std::string toString(PwUpdateResult value);

}  // namespace plenwick::metrics
