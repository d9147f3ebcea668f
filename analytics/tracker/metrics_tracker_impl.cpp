#include "analytics/tracker/metrics_tracker_impl.h"

#include "analytics/sdk/json_writer.h"
#include "analytics/sdk/properties_node.h"
#include "analytics/sdk/sdk.h"
#include "analytics/sdk/time_source.h"
#include "analytics/tracker/device_descriptors.h"
#include "analytics/tracker/pw_exception.h"
#include "analytics/tracker/user_profile.h"
#include "platform/codepage.h"
#include "platform/device_info.h"

namespace plenwick::metrics {
namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;

constexpr char kUnit[] = "MetricsTrackerImpl";
constexpr char kInstallSource[] = "android_id=123##imei=1234##mac=123";
constexpr bool kImmediate = true;
constexpr bool kDeferred = false;

void SetIfNotEmpty(PropertiesNode& node, const std::string& key, const std::string& value) {
  if (!value.empty()) node.SetString(key, value);
}

template <typename Number>
void SetIfPresent(PropertiesNode& node, const std::string& key, const std::shared_ptr<Number>& value) {
  if (!value) return;
  if constexpr (std::is_floating_point_v<Number>) {
    node.SetNumber(key, static_cast<double>(*value));
  } else {
    node.SetNumber(key, static_cast<int64_t>(*value));
  }
}

void Require(bool condition, const std::string& message, const char* operation) {
  if (!condition) PW_THROW(message, operation, kUnit);
}

bool IsDecidedResult(PwResult result) { return static_cast<int>(result) >= 0 && static_cast<int>(result) <= 2; }

std::string NumberText(double value) {
  std::string text;
  usage_analytics::json::AppendNumber(text, value);
  return text;
}

}  // namespace

MetricsTrackerImpl::MetricsTrackerImpl(const TrackerConfig& config)
    : serverUrl_(config.serverUrl),
      appName_(config.appName),
      appVersion_(config.appVersion),
      appStore_(config.appStore),
      dlAppId_(config.dlAppId),
      dlAppVersion_(config.dlAppVersion),
      edition_(config.edition),
      settings_(std::make_unique<TrackerSettings>(config.logPath)),
      scheduler_(settings_->pendingCount) {}

MetricsTrackerImpl::~MetricsTrackerImpl() {
  scheduler_.WaitForSenders();
  if (!settings_->iniPath.empty()) settings_->WriteIdentity();
  if (sdkStarted_) {
    scheduler_.FinalFlush();
    Sdk::Shutdown();
  }
  if (logger_) logger_->close();
  logger_.reset();
}

std::string MetricsTrackerImpl::stagingPath() const {
  return Platform::WideToUtf8(settings_->localFolder) + appName_ + "_PWSStaging.txt";
}

void MetricsTrackerImpl::init() {
  logEnabled_ = false;
  Require(!appName_.empty(), "appName is empty", "init");
  Require(!appVersion_.empty(), "appVersion is empty", "init");
  Require(!appStore_.empty(), "appStore is empty", "init");
  settings_->pendingCount = 0;
  settings_->ResolvePaths(appName_);
  // With per-event logging (never switched on here) the default would be the test project's URL.
  if (serverUrl_.empty()) serverUrl_ = kDefaultCollectorUrl;
  settings_->LoadAndReconcile(serverUrl_);
  if (settings_->logPath.empty()) settings_->logPath = Platform::WideToUtf8(settings_->localFolder) + appName_ + "_PWSLog.txt";
  logger_ = std::make_unique<NativeTrackLogger>(settings_->logPath);

  const bool loggedIn = settings_->isLogined;
  if (!Sdk::Init(stagingPath(), serverUrl_, loggedIn ? settings_->userId : settings_->distinctId, loggedIn))
    PW_THROW("usage_analytics::Sdk::Init is failed", "init", kUnit);
  sdkStarted_ = true;
  RegisterCommonProperties();
  settings_->WriteUninstallInfo(appStore_, appName_, appVersion_);
}

void MetricsTrackerImpl::RegisterCommonProperties() {
  PropertiesNode common;
  common.SetString("pw_app_id", appName_);
  common.SetString("$app_version", appVersion_);
  common.SetString("$app_id", appName_);
  common.SetString("pw_app_store", appStore_);
  common.SetString("pw_edition", toString(static_cast<PwEdition>(edition_)));
  SetIfNotEmpty(common, "pw_dlapp_id", dlAppId_);
  SetIfNotEmpty(common, "pw_dlapp_version", dlAppVersion_);
  // The platform the installer really runs on ("Windows" there, "Linux" here).
  common.SetString("pw_app_platform", OsName());
  common.SetString("pw_track_type", "Client");
  common.SetString("pw_sdk_version", kSdkVersion);
  common.SetString("pw_sdk", "WindowsCPP");
  common.SetString("$os", OsName());
  common.SetString("$os_version", OsVersion());
  const Platform::DeviceInfo::ScreenSize screen = Platform::DeviceInfo::PrimaryScreenSize();
  common.SetNumber("$screen_height", screen.height);
  common.SetNumber("$screen_width", screen.width);
  SetIfNotEmpty(common, "pw_user_id", settings_->userId);
  Sdk::RegisterSuperProperties(common);
  RegisterLocale();
}

void MetricsTrackerImpl::RegisterLocale() {
  const LocaleTexts locale = DeriveLocale(settings_->locale);
  PropertiesNode node;
  node.SetString("pw_l10n_locale", locale.locale);
  node.SetString("pw_l10n_language", locale.language);
  node.SetString("pw_l10n_country", locale.country);
  Sdk::RegisterSuperProperties(node);
}

void MetricsTrackerImpl::Submit(const char* eventName, PwEventType type, PropertiesNode& properties,
                                const PwContextProperties* context, bool immediate) {
  if (context) {
    // Context values replace record values of the same key.
    for (const auto& entry : context->getEventProperties(static_cast<int>(type)))
      properties.SetString(entry->key, *entry->value);
  }
  Sdk::Track(eventName, properties);
  if (logEnabled_ && logger_) logger_->writeEvent(eventName, properties.ToJson());
  scheduler_.RequestSend(immediate);
}

void MetricsTrackerImpl::trackActivity(const PwEventActivity&, const PwContextProperties& context) {
  PropertiesNode properties;
  properties.SetString("$ios_install_source", "");
  for (const auto& entry : context.getEventProperties(static_cast<int>(PwEventType::Activity)))
    properties.SetString(entry->key, *entry->value);
  SetIfNotEmpty(properties, "pw_app_store", appStore_);
  SetIfNotEmpty(properties, "pw_app_id", appName_);
  SetIfNotEmpty(properties, "$app_id", appName_);
  SetIfNotEmpty(properties, "$app_version", appVersion_);
  properties.SetString("$ios_install_source", kInstallSource);
  SetIfNotEmpty(properties, "$user_agent", UserAgent());
  properties.SetBool("$is_first_time", true);
  properties.SetString("$os", OsName());
  properties.SetString("$os_version", OsVersion());
  Submit("PwEventActivity", PwEventType::Activity, properties, nullptr, kImmediate);
  UpdateDeviceProfile();
}

void MetricsTrackerImpl::trackLaunch(const PwEventLaunch&, const PwContextProperties& context) {
  PropertiesNode properties;
  Submit("PwEventLaunch", PwEventType::PaLaunchPal, properties, &context, kImmediate);
  if (!settings_->userId.empty()) UpdateVisitProfile();
}

void MetricsTrackerImpl::trackLogin(const PwEventLogin& event, const PwContextProperties& context, bool succeeded) {
  PropertiesNode properties;
  SetIfNotEmpty(properties, "pw_user_id", event.userId);
  SetIfNotEmpty(properties, "pw_login_id", event.userId);
  properties.SetString("pw_type", toString(event.type));
  properties.SetString("pw_result", succeeded ? "Success" : "Fail");
  SetIfNotEmpty(properties, "pw_reason", event.reason);
  if (!event.userId.empty()) {
    properties.SetBool("$is_first_time", true);
    LoginFlow(event);
  }
  Submit("PwEventLogin", PwEventType::Login, properties, &context, kImmediate);
}

void MetricsTrackerImpl::LoginFlow(const PwEventLogin& event) {
  TrackerSettings& s = *settings_;
  s.userVipLevel = event.vipLevel;
  if (!s.isLogined || s.userId.empty()) {
    Sdk::Login(event.userId);
    s.isLogined = true;
    s.userId = event.userId;
    s.distinctId = event.userId;
    PropertiesNode user;
    user.SetString("pw_user_id", event.userId);
    Sdk::RegisterSuperProperties(user);
  }
  s.WriteIdentity();
}

void MetricsTrackerImpl::trackClick(const PwEventClick& event, const PwContextProperties& context) {
  Require(!event.name.empty(), "pwEventClick.name is empty", "trackClick");
  PropertiesNode properties;
  properties.SetString("pw_name", event.name);
  properties.SetString("pw_click_type", toString(event.clickType));
  SetIfNotEmpty(properties, "pw_aname", event.aname);
  SetIfNotEmpty(properties, "pw_title", event.title);
  SetIfNotEmpty(properties, "pw_position", event.position);
  SetIfNotEmpty(properties, "pw_module", event.module);
  SetIfNotEmpty(properties, "pw_tab_name", event.tabName);
  SetIfPresent(properties, "pw_tab_index", event.tabIndex);
  SetIfNotEmpty(properties, "pw_banner_name", event.bannerName);
  SetIfPresent(properties, "pw_banner_index", event.bannerIndex);
  properties.SetBool("$is_first_time", true);
  Submit("PwEventClick", PwEventType::Click, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackView(const PwEventView& event, const PwContextProperties& context) {
  Require(!event.name.empty(), "pwEventView.name is empty", "trackView");
  PropertiesNode properties;
  properties.SetString("pw_name", event.name);
  SetIfNotEmpty(properties, "pw_aname", event.aname);
  SetIfNotEmpty(properties, "pw_title", event.title);
  SetIfNotEmpty(properties, "pw_position", event.position);
  properties.SetBool("$is_first_time", true);
  Submit("PwEventView", PwEventType::View, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackCashier(const PwEventCashier& event, const PwContextProperties& context) {
  Require(!event.cashierName.empty(), "pwEventCashier.pw_cashier_name is empty", "trackCashier");
  PropertiesNode properties;
  properties.SetString("pw_cashier_name", event.cashierName);
  SetIfNotEmpty(properties, "pw_cashier_title", event.cashierTitle);
  SetIfNotEmpty(properties, "pw_subitem", event.subitem);
  properties.SetBool("$is_first_time", true);
  Submit("PwEventCashier", PwEventType::Cashier, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackShare(const PwEventShare& event, const PwContextProperties& context) {
  PropertiesNode properties;
  SetIfNotEmpty(properties, "pw_aname", event.aname);
  SetIfNotEmpty(properties, "pw_channel", event.channel);
  SetIfNotEmpty(properties, "pw_position", event.position);
  SetIfNotEmpty(properties, "pw_shared_name", event.sharedName);
  if (event.result) properties.SetString("pw_result", toString(*event.result));
  properties.SetBool("$is_first_time", true);
  Submit("PwEventShare", PwEventType::Share, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackTask(const PwEventTask& event, const PwContextProperties& context) {
  Require(!event.name.empty(), "pwEventTask.name is empty", "trackTask");
  PropertiesNode properties;
  properties.SetString("pw_task_name", event.name);
  SetIfPresent(properties, "pw_task_elapsed", event.elapsed);
  if (event.result && IsDecidedResult(*event.result)) properties.SetString("pw_task_result", toString(*event.result));
  SetIfNotEmpty(properties, "pw_aname", event.aname);
  SetIfNotEmpty(properties, "pw_reason", event.reason);
  properties.SetBool("$is_first_time", true);
  Submit("PwEventTask", PwEventType::Task, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackFile(const PwEventFile& event, const PwContextProperties& context) {
  Require(!event.aname.empty(), "pwEventFile.aname is empty", "trackFile");
  PropertiesNode properties;
  properties.SetString("pw_aname", event.aname);
  properties.SetString("pw_io", toString(event.io));
  if (event.result) properties.SetString("pw_result", toString(*event.result));
  SetIfNotEmpty(properties, "pw_name", event.name);
  SetIfNotEmpty(properties, "pw_ext", event.ext);
  if (event.size && *event.size > 0) properties.SetNumber("pw_size", *event.size);
  SetIfPresent(properties, "pw_duration", event.duration);
  SetIfPresent(properties, "pw_fps", event.fps);
  SetIfPresent(properties, "pw_bps", event.bps);
  SetIfPresent(properties, "pw_width", event.width);
  SetIfPresent(properties, "pw_height", event.height);
  SetIfPresent(properties, "pw_depth", event.depth);
  properties.SetBool("$is_first_time", true);
  Submit("PwEventFile", PwEventType::File, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackOrder(const PwEventOrder& event, const PwContextProperties& context) {
  Require(!event.suitId.empty(), "pwEventOrder.pwSuitId is empty", "trackOrder");
  Require(event.currency != nullptr, "pwEventOrder.pwCurrency is nullptr", "trackOrder");
  Require(event.originalAmount > 0, "pwEventOrder.originalAmount is less than zero", "trackOrder");
  Require(event.paidAmount > 0, "pwEventOrder.paidAmount is less than zero", "trackOrder");
  PropertiesNode properties;
  properties.SetString("pw_suit_id", event.suitId);
  properties.SetString("pw_currency", toString(*event.currency));
  properties.SetNumber("pw_paid_amount", event.paidAmount);
  properties.SetNumber("pw_original_amount", event.originalAmount);
  properties.SetBool("$is_first_time", true);
  SetIfNotEmpty(properties, "pw_order_id", event.orderId);
  SetIfNotEmpty(properties, "pw_subitem", event.subitem);
  SetIfNotEmpty(properties, "pw_sku", event.sku);
  properties.SetNumber("pw_campaign_code", event.campaignCode);
  SetIfNotEmpty(properties, "pw_voucher_id", event.voucherId);
  properties.SetNumber("pw_cur_original_amount", event.curOriginalAmount);
  properties.SetNumber("pw_cur_paid_amount", event.curPaidAmount);
  SetIfNotEmpty(properties, "pw_cashier_name", event.cashierName);
  SetIfNotEmpty(properties, "pw_cashier_title", event.cashierTitle);
  Submit("PwEventOrder", PwEventType::Order, properties, &context, kDeferred);
}

void MetricsTrackerImpl::trackPayment(const PwEventPayment& event, const PwContextProperties& context) {
  Require(!event.orderId.empty(), "pwEventPayment.pwOrderId is empty", "trackPayment");
  Require(event.paidAmount >= 0, "paidAmount = " + NumberText(event.paidAmount) + " is invalid", "trackPayment");
  Require(event.originalAmount >= 0, "originalAmount = " + NumberText(event.originalAmount) + " is invalid",
          "trackPayment");
  Require(IsDecidedResult(event.result), "pwEventPayment.result is invalid", "trackPayment");
  PropertiesNode properties;
  properties.SetString("pw_order_id", event.orderId);
  properties.SetString("pw_paid_platform", toString(event.paidPlatform));
  properties.SetString("pw_currency", toString(event.currency));
  properties.SetNumber("pw_paid_amount", event.paidAmount);
  properties.SetNumber("pw_original_amount", event.originalAmount);
  properties.SetString("pw_result", toString(event.result));
  properties.SetBool("$is_first_time", true);
  SetIfNotEmpty(properties, "pw_suit_id", event.suitId);
  properties.SetString("pw_iap_type", toString(event.iapType));
  SetIfNotEmpty(properties, "pw_subitem", event.subitem);
  SetIfNotEmpty(properties, "pw_sku", event.sku);
  SetIfNotEmpty(properties, "pw_voucher_id", event.voucherId);
  SetIfNotEmpty(properties, "pw_used_voucher_id", event.usedVoucherId);
  properties.SetNumber("pw_campaign_code", event.campaignCode);
  properties.SetNumber("pw_cur_original_amount", event.curOriginalAmount);
  properties.SetNumber("pw_cur_paid_amount", event.curPaidAmount);
  SetIfNotEmpty(properties, "pw_cashier_name", event.cashierName);
  SetIfNotEmpty(properties, "pw_cashier_title", event.cashierTitle);
  Submit("PwEventPayment", PwEventType::Payment, properties, &context, kImmediate);
  UpdatePaymentProfile(event.paidAmount);
  settings_->WriteIdentity();
}

void MetricsTrackerImpl::trackUninstall(const PwEventUninstall& event, const PwContextProperties& context) {
  PropertiesNode properties;
  SetIfNotEmpty(properties, "pw_uninstall_reason", event.uninstallReason);
  Submit("PwEventUninstall", PwEventType::Uninstall, properties, &context, kImmediate);
}

void MetricsTrackerImpl::trackCrash(const std::string& reason) {
  PropertiesNode properties;
  properties.SetString("app_crashed_reason", reason);
  Submit("AppCrashed", PwEventType::Crashed, properties, nullptr, kImmediate);
}

void MetricsTrackerImpl::trackUpdate(const PwEventUpdate& event, const PwContextProperties& context) {
  PropertiesNode properties;
  properties.SetString("pw_update_op", toString(event.op));
  if (event.op == PwUpdateOp::UpdateCheck) {
    properties.SetString("pw_update_result", event.result ? toString(*event.result) : std::string());
  } else if (event.op == PwUpdateOp::DownloadEnd || event.op == PwUpdateOp::UpgrateEnd) {
    Require(event.result != nullptr, "Unknown updateResultInfo info", "trackUpdate");
    Require(event.elapsed != nullptr, "invalid elapsed info", "trackUpdate");
    properties.SetString("pw_update_result", toString(*event.result));
    properties.SetNumber("pw_elapsed", *event.elapsed);
    if (event.op == PwUpdateOp::UpgrateEnd) properties.SetBool("$is_first_time", true);
  }
  Submit("PwEventUpdate", PwEventType::Update, properties, &context, kImmediate);
}

void MetricsTrackerImpl::trackAppOpenNotification(const PwEventAppOpenNotification* event,
                                                  const PwContextProperties& context) {
  Require(event != nullptr, "&appOpenNotification is nullptr", "trackAppOpenNotification");
  Require(!event->planId.empty(), "planID is emptry", "trackAppOpenNotification");
  Require(!event->planType.empty(), "planType is emptry", "trackAppOpenNotification");
  Require(!event->msgTitle.empty(), "msgTitle is emptry", "trackAppOpenNotification");
  PropertiesNode properties;
  properties.SetString("$sf_msg_title", event->msgTitle);
  properties.SetString("$sf_plan_id", event->planId);
  properties.SetString("$sf_plan_type", event->planType);
  properties.SetBool("$is_first_time", true);
  SetIfNotEmpty(properties, "$sf_msg_content", event->msgContent);
  SetIfNotEmpty(properties, "$sf_link_url", event->linkUrl);
  SetIfNotEmpty(properties, "$sf_audience_id", event->audienceId);
  SetIfNotEmpty(properties, "$sf_plan_strategy_id", event->planStrategyId);
  SetIfNotEmpty(properties, "$sf_strategy_unit_id", event->strategyUnitId);
  Submit("AppOpenNotification", PwEventType::AppOpenNotification, properties, &context, kDeferred);
}

void MetricsTrackerImpl::setLocale(const std::string& locale) {
  settings_->locale = locale;
  RegisterLocale();
}

std::string MetricsTrackerImpl::getPrimaryDistinctId() { return settings_->primaryDistinctId; }

TrackLogger* MetricsTrackerImpl::getLogger() { return logger_.get(); }

void MetricsTrackerImpl::UpdateVisitProfile() {
  const int64_t now = usage_analytics::CurrentTimeSource().NowMilliseconds();
  ProfileUserPropertyDateTime("$first_visit_time", now);
  ProfileUserPropertyDateTime("pw_first_visit_date", now);
  ProfileUserPropertyDateTime("pw_last_visit_date", now);
  settings_->pendingCount.fetch_add(1);
}

void MetricsTrackerImpl::UpdateDeviceProfile() {
  const int64_t now = usage_analytics::CurrentTimeSource().NowMilliseconds();
  ProfileUserPropertyDateTime("$first_visit_time", now);
  ProfileUserPropertyDateTime("pw_first_visit_date", now);
  ProfileUserPropertyDateTime("pw_last_visit_date", now);
  ProfileUserPropertyString("pw_os", OsName());
  ProfileUserPropertyString("pw_os_version", OsVersion());
  ProfileUserPropertyString("pw_app_store", appStore_);
  ProfileUserPropertyString("pw_app_platform", OsName());
  ProfileUserPropertyString("pw_last_app_id", appName_);
  ProfileUserPropertyString("pw_last_app_version", appVersion_);
  ProfileUserPropertyString("$ios_install_source", kInstallSource);
  settings_->pendingCount.fetch_add(1);
}

void MetricsTrackerImpl::UpdatePaymentProfile(double paidAmount) {
  const int64_t now = usage_analytics::CurrentTimeSource().NowMilliseconds();
  ProfileUserPropertyNumber("pw_paid_count", int64_t{1});
  ProfileUserPropertyNumber("pw_consumption", paidAmount);
  ProfileUserPropertyDateTime("pw_first_paid_date", now);
  ProfileUserPropertyDateTime("pw_last_paid_date", now);
  settings_->pendingCount.fetch_add(1);
}

}  // namespace plenwick::metrics
