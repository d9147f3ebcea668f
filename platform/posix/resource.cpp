#include "platform/resource.h"

#include <mutex>
#include <string>
#include <vector>

namespace Platform {
namespace {

struct LinkedResource {
  std::wstring type;
  int id;
  const void* data;
  size_t size;
};

wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool SameTypeName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// The table is filled by static constructors of embedding objects and read by any thread later;
// the mutex guards it. Both live in a function so they exist before the first registration,
// whatever the order of static initialisation across objects.
struct ResourceTable {
  std::mutex lock;
  std::vector<LinkedResource> entries;
};

ResourceTable& Table() {
  static ResourceTable* table = new ResourceTable;  // never destroyed: lookups may run during exit
  return *table;
}

}  // namespace

std::optional<std::pair<const void*, size_t>> FindModuleResource(std::wstring_view type, int id) {
  ResourceTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  for (const LinkedResource& r : table.entries) {
    if (r.id == id && SameTypeName(r.type, type)) return std::make_pair(r.data, r.size);
  }
  return std::nullopt;
}

void RegisterModuleResource(std::wstring_view type, int id, const void* data, size_t size) {
  ResourceTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  for (LinkedResource& r : table.entries) {
    if (r.id == id && SameTypeName(r.type, type)) {
      r.data = data;
      r.size = size;
      return;
    }
  }
  table.entries.push_back({std::wstring(type), id, data, size});
}

}  // namespace Platform
