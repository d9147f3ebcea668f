#include "utils/guid_string.h"

#include "platform/guid.h"
#include "platform/wide_format.h"

namespace Utils {

std::wstring CreateGuidString() {
  Platform::Guid guid;
  if (!Platform::CreateGuid(guid)) return {};
  return Platform::FormatWide(L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", guid.data1, guid.data2, guid.data3,
                              guid.data4[0], guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4],
                              guid.data4[5], guid.data4[6], guid.data4[7]);
}

}  // namespace Utils
