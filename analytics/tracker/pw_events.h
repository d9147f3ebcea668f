#pragma once
// The event records the track methods take, one per kind of business event. Texts are UTF-8;
// an empty text or an empty shared pointer means "not set".

#include <cstdint>
#include <memory>
#include <string>

#include "analytics/tracker/pw_types.h"

namespace plenwick::metrics {

struct PwEventActivity {};
struct PwEventLaunch {};

struct PwEventLogin {
  std::string userId;
  PwUserType type = PwUserType::Unknown;
  std::string reason;
  int32_t vipLevel = 0;
};

struct PwEventClick {
  std::string aname, name, title, position, module, tabName, bannerName;
  std::shared_ptr<int32_t> tabIndex, bannerIndex;
  PwClickType clickType = PwClickType::Button;
};

struct PwEventView {
  std::string aname, name, title, position;
};

struct PwEventCashier {
  std::string cashierName, cashierTitle, subitem;
};

struct PwEventShare {
  std::string aname, channel, position, sharedName;
  std::shared_ptr<PwResult> result;
};

struct PwEventTask {
  std::string aname, name, reason;
  std::shared_ptr<float> elapsed;
  std::shared_ptr<PwResult> result;
};

struct PwEventFile {
  std::string aname, name, ext;
  PwFileIo io = PwFileIo::Input;
  std::shared_ptr<PwResult> result;
  std::shared_ptr<double> size, fps, bps;
  std::shared_ptr<int64_t> duration;
  std::shared_ptr<int32_t> width, height, depth;
};

struct PwEventOrder {
  std::string suitId, orderId, subitem, sku, voucherId, cashierName, cashierTitle;
  std::shared_ptr<PwCurrency> currency;
  double paidAmount = 0, originalAmount = 0, curOriginalAmount = 0, curPaidAmount = 0;
  int32_t campaignCode = 0;
};

struct PwEventPayment {
  std::string orderId, suitId, subitem, sku, voucherId, usedVoucherId, cashierName, cashierTitle;
  PwPaidPlatform paidPlatform = PwPaidPlatform::Alipay;
  PwCurrency currency = PwCurrency::CNY;
  PwIapType iapType = PwIapType::Consumable;
  double paidAmount = 0, originalAmount = 0, curOriginalAmount = 0, curPaidAmount = 0;
  PwResult result = PwResult::Success;
  int32_t campaignCode = 0;
};

struct PwEventUninstall {
  std::string uninstallReason;
};

struct PwEventUpdate {
  PwUpdateOp op = PwUpdateOp::UpdateCheck;
  std::shared_ptr<PwUpdateResult> result;
  std::shared_ptr<double> elapsed;
};

struct PwEventAppOpenNotification {
  std::string msgTitle, planId, planType, msgContent, linkUrl, audienceId, planStrategyId, strategyUnitId;
};

}  // namespace plenwick::metrics
