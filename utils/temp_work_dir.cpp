#include "utils/temp_work_dir.h"

#include "platform/environment.h"
#include "platform/file.h"
#include "platform/path.h"

namespace Utils {

std::wstring GetTempWorkDir() {
  // Checked without a trailing separator: with one, a symbolic link would be followed.
  const std::wstring folder = Platform::JoinPath(Platform::GetTempPath(), L"~PlenwickTemp.92482B06FB471E17");
  const bool ready = Platform::IsPrivateDirectory(folder) ||
                     (Platform::CreatePrivateDirectory(folder) && Platform::IsPrivateDirectory(folder));
  return ready ? folder + Platform::kNativeSeparator : std::wstring();
}

}  // namespace Utils
