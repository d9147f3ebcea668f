#include "utils/find_process.h"

#include "platform/process_list.h"

namespace Utils {

uint32_t FindProcess(const std::wstring& name) { return Platform::FindProcessByExecutableName(name); }

}  // namespace Utils
