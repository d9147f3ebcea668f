#include "install/protocol_lines.h"

void ProtocolLineAssembler::Feed(std::string_view bytes, const LineSink& sink) {
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    const std::string_view part = bytes.substr(0, end);
    if (!truncated_) {
      const size_t room = kMaxLineBytes - pending_.size();
      pending_.append(part.substr(0, room));
      truncated_ = part.size() > room;
    }
    if (end == std::string_view::npos) return;
    sink(pending_);
    pending_.clear();
    truncated_ = false;
    bytes.remove_prefix(end + 1);
  }
}

void ProtocolLineAssembler::Finish(const LineSink& sink) {
  if (!pending_.empty()) sink(pending_);
  pending_.clear();
  truncated_ = false;
}
