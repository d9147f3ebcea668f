#include "analytics/tracker/user_profile.h"

#include <string_view>
#include <unordered_map>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/pw_exception.h"

namespace plenwick::metrics {
namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;

constexpr char kUnit[] = "NativeUserTracker";

const std::unordered_map<std::string_view, ProfileMode>& ProfileTable() {
  static const std::unordered_map<std::string_view, ProfileMode> table = [] {
    std::unordered_map<std::string_view, ProfileMode> t;
    for (const char* key : {"$first_visit_time", "pw_first_visit_date", "$ios_install_source", "pw_first_paid_date"})
      t.emplace(key, ProfileMode::SetOnce);
    for (const char* key : {"pw_visit_count", "pw_paid_count", "pw_consumption"}) t.emplace(key, ProfileMode::Increment);
    for (const char* key :
         {"pw_label",           "pw_os",             "pw_os_version",     "pw_manufacturer",      "pw_model",
          "pw_app_store",       "pw_app_platform",   "pw_last_app_id",    "pw_last_app_version",  "pw_carrier",
          "pw_last_visit_date", "aurora_pushid",     "pw_user_id",        "pw_user_name",         "pw_user_type",
          "pw_user_nickname",   "pw_user_portrait",  "pw_user_mobilephone", "pw_user_email",      "pw_user_weixin",
          "pw_user_qq",         "pw_user_did",       "pw_user_created",   "pw_user_last_login",   "pw_user_last_ip",
          "pw_user_vip_level",  "pw_user_vip_enddate", "idfa",            "imei",                 "android_id",
          "oaid",               "pw_ip",             "pw_country_code",   "pw_country",           "pw_province",
          "pw_city",            "pw_last_paid_date"})
      t.emplace(key, ProfileMode::Set);
    return t;
  }();
  return table;
}

ProfileMode RequireMode(const std::string& key, const char* operation) {
  const std::optional<ProfileMode> mode = ProfileModeOf(key);
  if (!mode) PW_THROW("Not supported user property [" + key + "]!", operation, kUnit);
  return *mode;
}

}  // namespace

std::optional<ProfileMode> ProfileModeOf(const std::string& key) {
  const auto it = ProfileTable().find(key);
  if (it == ProfileTable().end()) return std::nullopt;
  return it->second;
}

void ProfileUserPropertyString(const std::string& key, const std::string& value) {
  switch (RequireMode(key, "ProfileUserPropertyString")) {
    case ProfileMode::SetOnce: Sdk::ProfileSetOnce(key, value); break;
    case ProfileMode::Set: Sdk::ProfileSet(key, value); break;
    case ProfileMode::Append: Sdk::ProfileAppend(key, {value}); break;
    case ProfileMode::Increment:
      PW_THROW("user property [" + key + "] is string type value, it cannot be accumulated!", "ProfileUserPropertyString",
               kUnit);
  }
}

template <typename Number>
void WriteNumber(const std::string& key, Number value) {
  switch (RequireMode(key, "ProfileUserPropertyNumber")) {
    case ProfileMode::SetOnce: Sdk::ProfileSetOnce(key, value); break;
    case ProfileMode::Set: Sdk::ProfileSet(key, value); break;
    case ProfileMode::Increment: {
      PropertiesNode node;
      node.SetNumber(key, value);
      Sdk::ProfileIncrement(node);
      break;
    }
    case ProfileMode::Append:
      PW_THROW("user property [" + key + "] is number value, it cannot be append to list!", "ProfileUserPropertyNumber",
               kUnit);
  }
}

void ProfileUserPropertyNumber(const std::string& key, int64_t value) { WriteNumber(key, value); }
void ProfileUserPropertyNumber(const std::string& key, double value) { WriteNumber(key, value); }

void ProfileUserPropertyDateTime(const std::string& key, int64_t millisecondsSince1970) {
  const ProfileMode mode = RequireMode(key, "ProfileUserPropertyDateTime");
  if (mode == ProfileMode::Increment || mode == ProfileMode::Append)
    PW_THROW("user property [" + key + "] is datetime value, it cannot be accumulated or appended!",
             "ProfileUserPropertyDateTime", kUnit);
  PropertiesNode node;
  node.SetDateTime(key, millisecondsSince1970 / 1000, static_cast<int32_t>(millisecondsSince1970 % 1000));
  if (mode == ProfileMode::SetOnce) {
    Sdk::ProfileSetOnce(node);
  } else {
    Sdk::ProfileSet(node);
  }
}

}  // namespace plenwick::metrics
