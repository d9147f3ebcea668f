#include "analytics/sdk/staging_file.h"

#include <json/json.h>

#include <memory>
#include <optional>

#include "platform/codepage.h"
#include "platform/file.h"

namespace usage_analytics {
namespace {

// A line that starts with "{" and ends with "}" is not yet a record: a damaged line would make
// every batch it joins unreadable for the collector, and that batch would be retried for ever.
bool IsJsonObjectLine(const std::string& line) {
  if (line.size() < 2 || line.front() != '{' || line.back() != '}') return false;
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  return reader->parse(line.data(), line.data() + line.size(), &value, &errors) && value.isObject();
}

std::wstring WidePath(const std::string& path) { return Platform::Utf8ToWide(path); }

}  // namespace

std::vector<std::string> ReadStagedRecords(const std::string& path, size_t limit) {
  std::vector<std::string> records;
  if (path.empty() || limit == 0) return records;
  const std::optional<std::string> content = Platform::ReadWholeFile(WidePath(path));
  if (!content) return records;
  size_t start = 0;
  while (start < content->size()) {
    size_t end = content->find('\n', start);
    if (end == std::string::npos) end = content->size();
    std::string line = content->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (IsJsonObjectLine(line)) records.push_back(std::move(line));
    start = end + 1;
  }
  if (records.size() > limit) records.erase(records.begin(), records.end() - static_cast<ptrdiff_t>(limit));
  return records;
}

void ClearStagingFile(const std::string& path) {
  if (path.empty() || !Platform::PathExists(WidePath(path))) return;
  Platform::WriteFileAtomically(WidePath(path), "");
}

void WriteStagedRecords(const std::string& path, const std::deque<std::string>& records) {
  if (path.empty()) return;
  std::string content;
  for (const std::string& record : records) {
    content += record;
    content += '\n';
  }
  Platform::WriteFileAtomically(WidePath(path), content);
}

}  // namespace usage_analytics
