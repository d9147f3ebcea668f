#pragma once
// Resources compiled into the running program, found by type name and integer id, the way a
// Windows module's resource section is searched (the type name compares without regard to case).
//
// On Windows the module's resource section answers. Systems without resource sections keep the
// data in the program image: an object that embeds a resource registers it from a static
// constructor, and linking that object is what gives the program the resource.

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace Platform {

// The bytes of resource (type, id) and their count; they stay valid for the life of the process.
// Empty when the program holds no such resource.
std::optional<std::pair<const void*, size_t>> FindModuleResource(std::wstring_view type, int id);

// Makes `size` bytes at `data` (which must outlive the process's use of them) answer for
// (type, id). A later registration of the same pair replaces the earlier one.
void RegisterModuleResource(std::wstring_view type, int id, const void* data, size_t size);

}  // namespace Platform
