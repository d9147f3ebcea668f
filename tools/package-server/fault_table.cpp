#include "tools/package-server/fault_table.h"

#include <cctype>

#include "tools/package-server/peer_http.h"

namespace Peers {
namespace {

std::optional<bool> ReadFlag(const std::string& value) {
  if (value == "1" || value == "true" || value.empty()) return true;
  if (value == "0" || value == "false") return false;
  return std::nullopt;
}

bool IsDigestFault(const std::string& value) {
  if (value == "wrong" || value == "upper" || value == "none") return true;
  if (value.size() != 32) return false;
  for (const char c : value) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

std::optional<FaultSet> FaultSet::FromFields(const std::vector<std::pair<std::string, std::string>>& fields,
                                               std::string* error) {
  FaultSet set;
  for (const auto& field : fields) {
    // Named references, not a structured binding: clang before 16 cannot capture bindings in a lambda.
    const std::string& key = field.first;
    const std::string& value = field.second;
    const std::optional<uint64_t> number = ParseUnsigned(value);
    auto requireNumber = [&](uint64_t low, uint64_t high) {
      if (number && *number >= low && *number <= high) return true;
      *error = "bad value for " + key + ": " + value;
      return false;
    };
    if (key == "path") continue;  // the control endpoint's selector, not a fault
    if (key == "status") {
      if (!requireNumber(100, 599)) return std::nullopt;
      set.status = static_cast<int>(*number);
    } else if (key == "fail_first") {
      if (!requireNumber(0, 1000000)) return std::nullopt;
      set.failFirst = static_cast<int>(*number);
    } else if (key == "fail_status") {
      if (!requireNumber(100, 599)) return std::nullopt;
      set.failStatus = static_cast<int>(*number);
    } else if (key == "drop_after") {
      if (!requireNumber(0, UINT64_MAX)) return std::nullopt;
      set.dropAfter = *number;
    } else if (key == "stall_after") {
      if (!requireNumber(0, UINT64_MAX)) return std::nullopt;
      set.stallAfter = *number;
    } else if (key == "stall_ms") {
      if (!requireNumber(0, 24ull * 3600 * 1000)) return std::nullopt;
      set.stallMs = *number;
    } else if (key == "rate") {
      if (!requireNumber(1, UINT64_MAX)) return std::nullopt;
      set.rate = *number;
    } else if (key == "redirects") {
      if (!requireNumber(0, 100)) return std::nullopt;
      set.redirects = static_cast<int>(*number);
    } else if (key == "no_length" || key == "ignore_range") {
      const std::optional<bool> flag = ReadFlag(value);
      if (!flag) return *error = "bad value for " + key + ": " + value, std::nullopt;
      (key == "no_length" ? set.noLength : set.ignoreRange) = *flag;
    } else if (key == "digest") {
      if (!IsDigestFault(value)) return *error = "bad value for digest: " + value, std::nullopt;
      set.digest = value;
    } else {
      *error = "unknown fault: " + key;
      return std::nullopt;
    }
  }
  return set;
}

std::string FaultSet::Describe() const {
  std::string text;
  auto add = [&](const std::string& key, const std::string& value) {
    text += (text.empty() ? "" : "&") + key + "=" + value;
  };
  if (status) add("status", std::to_string(*status));
  if (failFirst > 0) {
    add("fail_first", std::to_string(failFirst));
    add("fail_status", std::to_string(failStatus));
  }
  if (dropAfter) add("drop_after", std::to_string(*dropAfter));
  if (stallAfter) add("stall_after", std::to_string(*stallAfter));
  if (stallMs) add("stall_ms", std::to_string(*stallMs));
  if (rate) add("rate", std::to_string(*rate));
  if (redirects > 0) add("redirects", std::to_string(redirects));
  if (noLength) add("no_length", "1");
  if (!digest.empty()) add("digest", digest);
  if (ignoreRange) add("ignore_range", "1");
  return text;
}

std::optional<PathFaults> ParsePathFaults(const std::vector<std::pair<std::string, std::string>>& fields,
                                          std::string* error) {
  PathFaults parsed;
  for (const auto& [key, value] : fields) {
    if (key == "path") parsed.path = value;
  }
  if (parsed.path.empty()) return *error = "path is missing", std::nullopt;
  std::optional<FaultSet> set = FaultSet::FromFields(fields, error);
  if (!set) return std::nullopt;
  parsed.set = std::move(*set);
  parsed.clears = fields.size() == 1;
  return parsed;
}

void FaultTable::Set(const std::string& path, FaultSet set) {
  std::lock_guard lock(mutex_);
  entries_[path] = Entry{std::move(set), 0};
  ++generation_;
}

void FaultTable::Clear(const std::string& path) {
  std::lock_guard lock(mutex_);
  entries_.erase(path);
  ++generation_;
}

void FaultTable::Reset() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  ++generation_;
}

AppliedFaults FaultTable::Match(const std::string& path) {
  std::lock_guard lock(mutex_);
  AppliedFaults applied;
  applied.generation = generation_;
  auto found = entries_.find(path);
  if (found == entries_.end()) found = entries_.find("*");
  if (found == entries_.end()) return applied;
  Entry& entry = found->second;
  applied.set = entry.set;
  applied.failThisRequest = entry.requestsSeen < entry.set.failFirst;
  ++entry.requestsSeen;
  return applied;
}

uint64_t FaultTable::Generation() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

std::string FaultTable::Render() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const auto& [path, entry] : entries_) text += path + " " + entry.set.Describe() + "\n";
  return text;
}

}  // namespace Peers
