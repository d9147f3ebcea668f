// The ini reader and writer on arbitrary file bytes (written to a file of this process's own).
//
// Properties: reads answer with at most the buffer size minus one characters; after writing a key,
// reading it gives the value written, and a neighbouring key keeps its value through the write
// and through removing the key again.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// The file the inputs are written to, in memory-backed storage where there is one (the writes
// are synced to disk), removed when the process ends.
class IniFile {
 public:
  IniFile() {
    const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    narrow_ = (folder / ("qv-ini-fuzz-" + std::to_string(::getpid()) + ".ini")).string();
    path_ = Platform::AnsiToWide(narrow_);
  }
  ~IniFile() {
    std::error_code ignored;
    std::filesystem::remove(narrow_, ignored);
  }
  const std::wstring& Path() const { return path_; }

 private:
  std::string narrow_;
  std::wstring path_;
};

const std::wstring& IniPath() {
  static const IniFile file;
  return file.Path();
}

std::wstring Read(std::wstring_view section, std::wstring_view key, size_t chars = 1024) {
  return Platform::GetPrivateProfileString(section, key, L"<absent>", chars, IniPath());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!Platform::WriteFileAtomically(IniPath(), std::string(bytes))) std::abort();

  // The installer's own keys, and a short buffer that cuts values.
  for (const wchar_t* key : {L"DownloadUrl", L"DownloadType", L"IsCheckNet", L"DownloadScale", L"InstCmd"}) {
    FUZZ_CHECK(Read(L"Install", key).size() <= 1023);
    FUZZ_CHECK(Read(L"install", key, 4).size() <= 3);
    (void)Platform::GetPrivateProfileInt(L"Install", key, -7, IniPath());
  }

  const std::wstring neighbour = Read(L"Install", L"IsCheckNet");
  if (!Platform::WritePrivateProfileString(L"Install", L"DownloadUrl", std::wstring_view(L"http://127.0.0.1/x"),
                                           IniPath()))
    return 0;
  FUZZ_CHECK(Read(L"Install", L"DownloadUrl") == L"http://127.0.0.1/x");
  FUZZ_CHECK(Read(L"Install", L"IsCheckNet") == neighbour);
  if (!Platform::WritePrivateProfileString(L"Install", L"DownloadUrl", std::nullopt, IniPath())) return 0;
  FUZZ_CHECK(Read(L"Install", L"IsCheckNet") == neighbour);
  return 0;
}
