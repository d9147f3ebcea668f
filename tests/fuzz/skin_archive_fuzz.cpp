// The skin archive reader on arbitrary bytes. A damaged or truncated archive must open as nothing
// (every lookup "not found"); one that opens serves every entry it lists, whole, within the
// package's limits. Huge allocations are findings too (the fuzzer runs with a malloc limit).
//
// The reader checks the start header's check sum before anything else, so when the input begins
// with the 7z signature it is also tried with the check sums of the start header and of the
// archive's header made right, to reach the rest. A plain header is also tried compressed (LZMA,
// as the skin's own header is packed), since mutations of packed bytes rarely unpack to anything.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_check.h"
#include "tests/ui_skin/seven_zip_writer.h"
#include "ui/framework/resource_package.h"

namespace {

constexpr unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};

uint64_t LittleEndian(const uint8_t* p) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

void PutLittleEndian32(uint8_t* p, uLong value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void CheckPackage(const std::vector<uint8_t>& bytes) {
  SkinUI::ResourcePackage package;
  const bool opened = package.Open(bytes.data(), bytes.size());
  FUZZ_CHECK(opened == package.IsOpen());
  if (!opened) {
    FUZZ_CHECK(package.Entries().empty());
    FUZZ_CHECK(!package.Find(L"mainWnd.xml", nullptr, nullptr));
    FUZZ_CHECK(!package.Data(L"language.json"));
    return;
  }
  FUZZ_CHECK(package.Entries().size() <= SkinUI::ResourcePackage::kMaxEntries);
  uint64_t total = 0;
  for (const SkinUI::ResourcePackage::Entry& entry : package.Entries()) {
    total += entry.data.size();
    int index = -1;
    size_t size = 0;
    FUZZ_CHECK(package.Find(entry.name, &index, &size));
    const std::optional<std::string_view> data = package.Data(entry.name);
    FUZZ_CHECK(data.has_value() && data->size() == size);
    std::string copy(size, '\0');
    FUZZ_CHECK(package.Read(index, copy.data(), copy.size()));
    FUZZ_CHECK(copy == *data);
  }
  FUZZ_CHECK(total <= SkinUI::ResourcePackage::kMaxUnpackedBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  CheckPackage(bytes);
  if (size >= 32 && std::memcmp(data, kSignature, sizeof kSignature) == 0) {
    // The archive's header, where the start header says it lies, gets its check sum made right
    // too, so mutations of the header reach the header's reader.
    const uint64_t offset = LittleEndian(bytes.data() + 12), length = LittleEndian(bytes.data() + 20);
    const bool headerInside = offset <= size - 32 && length <= size - 32 - offset;
    if (headerInside)
      PutLittleEndian32(bytes.data() + 28, crc32(0, bytes.data() + 32 + offset, static_cast<uInt>(length)));
    PutLittleEndian32(bytes.data() + 8, crc32(0, bytes.data() + 12, 20));
    CheckPackage(bytes);
    if (headerInside && length > 0 && bytes[32 + offset] == 0x01) {
      const std::string packed(bytes.begin() + 32, bytes.begin() + 32 + offset);
      const std::string header(bytes.begin() + 32 + offset, bytes.begin() + 32 + offset + length);
      const std::string archive = SkinTest::SevenZipArchive(packed, header, {true});
      CheckPackage(std::vector<uint8_t>(archive.begin(), archive.end()));
    }
  }
  return 0;
}
