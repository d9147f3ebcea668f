#include "ui/framework/resources.h"

#include <map>

#include "platform/environment.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/resource.h"
#include "ui/framework/resource_package.h"

namespace SkinUI {
namespace {

// Process-wide resource state; UI thread only.
struct State {
  std::optional<std::wstring> path;
  std::optional<bool> packageOpened;
  // Decoded images by where they came from and their name; a missing file is remembered as null.
  std::map<std::pair<std::wstring, std::wstring>, std::shared_ptr<const Bitmap>> images;
};

State& TheState() {
  static State state;
  return state;
}

}  // namespace

void Resources::SetResourcePath(std::wstring_view path) { TheState().path = std::wstring(path); }

std::wstring Resources::GetResourcePath() {
  State& s = TheState();
  if (!s.path) s.path = Platform::DirectoryOf(Platform::ModuleFileName());
  return *s.path;
}

ResourceSource Resources::DefaultSource() { return {UILIB_FILE, GetResourcePath()}; }

bool Resources::LoadPackageResource(std::wstring_view type, int id) {
  State& s = TheState();
  // The package is opened once per process; later windows only ask whether it is there.
  if (s.packageOpened) return *s.packageOpened;
  const auto resource = Platform::FindModuleResource(type, id);
  if (!resource) return false;
  s.packageOpened = SetPackageFromMemory(resource->first, resource->second);
  return *s.packageOpened;
}

std::optional<std::string> Resources::ReadFile(const ResourceSource& source, std::wstring_view name) {
  if (name.empty()) return std::nullopt;
  if (source.type == UILIB_ZIPRESOURCE) {
    const std::optional<std::string_view> data = EntryData(name);
    if (!data) return std::nullopt;
    return std::string(*data);
  }
  return Platform::ReadWholeFile(Platform::JoinPath(source.path, name));
}

std::shared_ptr<const Bitmap> Resources::GetImage(const ResourceSource& source, std::wstring_view name) {
  State& s = TheState();
  const auto key = std::make_pair(source.type == UILIB_ZIPRESOURCE ? std::wstring(L"\x01package") : source.path,
                                  std::wstring(name));
  if (const auto it = s.images.find(key); it != s.images.end()) return it->second;
  std::shared_ptr<const Bitmap> image;
  if (const std::optional<std::string> bytes = ReadFile(source, name)) {
    if (std::optional<Bitmap> decoded = DecodePng(*bytes)) image = std::make_shared<const Bitmap>(std::move(*decoded));
  }
  s.images.emplace(key, image);
  return image;
}

void Resources::ClearImageCache() { TheState().images.clear(); }

}  // namespace SkinUI
