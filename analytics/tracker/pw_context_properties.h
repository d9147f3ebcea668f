#pragma once
// Extra properties a caller attaches to chosen event types for one report (the installer's A/B
// group code, "pwc_ab"). Used by one thread at a time, for one track call.

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "analytics/tracker/pw_types.h"

namespace plenwick::metrics {

class PwContextProperties {
 public:
  struct Entry {
    enum class Kind { Text };
    Kind kind = Kind::Text;
    std::shared_ptr<const std::string> value;
    std::string key;
  };
  using EntryList = std::vector<std::shared_ptr<const Entry>>;

  static constexpr char kAbKey[] = "pwc_ab";

  // The A/B code rule: empty is false; otherwise at most three bytes, an upper-case letter first,
  // then letters or digits. A code breaking the rule raises PwException.
  static bool isValidABValue(const std::string& value);

  // Stores `value` under "pwc_ab" and attaches it to every listed event type.
  void setProperty(const std::vector<int>& eventTypes, const std::string& value);
  const EntryList& getEventProperties(int eventType) const;

 private:
  std::unordered_map<std::string, std::shared_ptr<const Entry>> common_;
  std::array<EntryList, kEventTypeCount> byType_;
};

}  // namespace plenwick::metrics
