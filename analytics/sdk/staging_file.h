#pragma once
// The staging file: records still unsent when the SDK shuts down, one JSON object a line, read
// back (and emptied) by the next run.

#include <deque>
#include <string>
#include <vector>

namespace usage_analytics {

// The last `limit` lines of the file that are whole JSON objects, in file order. A missing or
// unreadable file gives none.
std::vector<std::string> ReadStagedRecords(const std::string& path, size_t limit);
// Empties the file when it exists.
void ClearStagingFile(const std::string& path);
// Replaces the file's content with `records`, oldest first, each followed by a line break.
void WriteStagedRecords(const std::string& path, const std::deque<std::string>& records);

}  // namespace usage_analytics
