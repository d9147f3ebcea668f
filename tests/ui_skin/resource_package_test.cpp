// The skin package reader: how names are matched, how entries are copied out, what a damaged
// archive gives, and the process's single package.

#include "ui/framework/resource_package.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/resource.h"
#include "tests/ui_skin/seven_zip_writer.h"
#include "tests/ui_skin/skin_archive.h"

namespace {

using SkinUI::ResourcePackage;

class SkinPackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    archive_ = new std::string(SkinTest::EmbeddedArchive());
    package_ = new ResourcePackage;
    ASSERT_TRUE(package_->Open(archive_->data(), archive_->size()));
  }
  static void TearDownTestSuite() {
    delete package_;
    delete archive_;
  }
  static std::string* archive_;
  static ResourcePackage* package_;
};
std::string* SkinPackageTest::archive_ = nullptr;
ResourcePackage* SkinPackageTest::package_ = nullptr;

TEST(ModuleResourceTest, SkinIsFoundByTypeInAnyCaseAndExactId) {
  struct Case {
    const wchar_t* type;
    int id;
    bool found;
  } cases[] = {
      {L"ZIPRES", 147, true}, {L"zipres", 147, true}, {L"ZipRes", 147, true},
      {L"ZIPRES", 148, false}, {L"ZIPRES", 0, false}, {L"ZIPRE", 147, false}, {L"ZIPRESS", 147, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Platform::FindModuleResource(c.type, c.id).has_value(), c.found) << c.id;
  }
}

TEST(ModuleResourceTest, EmbeddedBytesAreTheBuiltArchive) {
  FILE* f = std::fopen(QV_SKIN_ARCHIVE_PATH, "rb");
  ASSERT_NE(f, nullptr);
  std::string onDisk;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) onDisk.append(chunk, n);
  std::fclose(f);
  EXPECT_EQ(SkinTest::EmbeddedArchive(), onDisk);
}

TEST(ModuleResourceTest, LaterRegistrationReplacesEarlier) {
  static const char first[] = "first", second[] = "second";
  Platform::RegisterModuleResource(L"TESTRES", 7, first, 5);
  Platform::RegisterModuleResource(L"testres", 7, second, 6);
  const auto found = Platform::FindModuleResource(L"TestRes", 7);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->first, static_cast<const void*>(second));
  EXPECT_EQ(found->second, 6u);
}

TEST_F(SkinPackageTest, NamesMatchWithEitherSeparatorAndAnyCaseButExactLength) {
  struct Case {
    std::wstring request;
    const wchar_t* entry;  // the entry it must find, or null for "not found"
  } cases[] = {
      {L"mainWnd.xml", L"mainWnd.xml"},
      {L"MainWnd.xml", L"mainWnd.xml"},
      {L"MAINWND.XML", L"mainWnd.xml"},
      {L"ExitTipWnd.xml", L"exitTipWnd.xml"},
      {L"res\\mainWnd\\bg1.png", L"res/mainWnd/bg1.png"},
      {L"RES/MAINWND/BG1.PNG", L"res/mainWnd/bg1.png"},
      {L"res\\mainWnd/installBtnAnimate\\058.png", L"res/mainWnd/installBtnAnimate/058.png"},
      {L"res\\messageboxwnd\\icoquest.png", L"res/MessageBoxWnd/icoQuest.png"},
      {L"mainWnd.xml ", nullptr},                              // a trailing extra character
      {L"mainWnd.xmlx", nullptr},
      {std::wstring(L"mainWnd.xml\0", 12), nullptr},           // a trailing terminator is a character too
      {L"ainWnd.xml", nullptr},
      {L"/mainWnd.xml", nullptr},
      {L"res/mainWnd", nullptr},                               // folders hold no data
      {L"res/mainWnd/", nullptr},
      {L"res/mainWnd/installBtnAnimate/059.png", nullptr},
      {L"res/common/closebtn4.png", nullptr},                  // named by the layouts, not packed
      {L"", nullptr},
  };
  for (const Case& c : cases) {
    int index = -1;
    size_t size = 0;
    const bool found = package_->Find(c.request, &index, &size);
    ASSERT_EQ(found, c.entry != nullptr) << "request \"" << std::string(c.request.begin(), c.request.end()) << "\"";
    if (!found) continue;
    int expectedIndex = -1;
    size_t expectedSize = 0;
    ASSERT_TRUE(package_->Find(c.entry, &expectedIndex, &expectedSize));
    EXPECT_EQ(index, expectedIndex);
    EXPECT_EQ(size, expectedSize);
    EXPECT_EQ(package_->Data(c.request)->data(), package_->Data(c.entry)->data());
  }
}

TEST_F(SkinPackageTest, ReadCopiesTheEntryAndNeverWritesPastTheBuffer) {
  int index = -1;
  size_t size = 0;
  ASSERT_TRUE(package_->Find(L"res/mainWnd/logo.png", &index, &size));
  const std::string_view data = *package_->Data(L"res/mainWnd/logo.png");
  ASSERT_EQ(data.size(), size);

  struct Case {
    size_t bufferSize;
    bool whole;
  } cases[] = {{size, true}, {size + 16, true}, {size - 1, false}, {1, false}, {0, false}};
  for (const Case& c : cases) {
    std::vector<char> buffer(c.bufferSize + 8, '\x5A');  // 8 guard bytes after the buffer
    EXPECT_EQ(package_->Read(index, buffer.data(), c.bufferSize), c.whole) << c.bufferSize;
    const size_t copied = std::min(c.bufferSize, size);
    EXPECT_EQ(std::memcmp(buffer.data(), data.data(), copied), 0) << c.bufferSize;
    for (size_t i = copied; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '\x5A') << c.bufferSize << " at " << i;
  }
}

TEST_F(SkinPackageTest, ReadOfAnIndexWithoutDataFails) {
  int first = -1;
  ASSERT_TRUE(package_->Find(L"mainWnd.xml", &first, nullptr));
  char buffer[16];
  // Folders are items of the archive too: the first folder is "res", before every file under it.
  int folder = -1;
  for (int i = 0; i < 16 && folder < 0; ++i) {
    bool isFile = false;
    for (const auto& e : package_->Entries()) isFile = isFile || e.index == i;
    if (!isFile) folder = i;
  }
  ASSERT_GE(folder, 0);
  for (int index : {-1, folder, 100000}) EXPECT_FALSE(package_->Read(index, buffer, sizeof buffer)) << index;
}

// The archive's header sits at 32 + the offset stored at byte 12 of the start header; the packed
// files and the packed header come before it.
size_t HeaderPosition(const std::string& archive) {
  uint64_t nextHeaderOffset = 0;
  std::memcpy(&nextHeaderOffset, archive.data() + 12, 8);
  return 32 + static_cast<size_t>(nextHeaderOffset);
}

void ExpectNothingFound(const ResourcePackage& package, const char* what) {
  EXPECT_FALSE(package.IsOpen()) << what;
  EXPECT_TRUE(package.Entries().empty()) << what;
  EXPECT_FALSE(package.Find(L"mainWnd.xml", nullptr, nullptr)) << what;
  EXPECT_FALSE(package.Data(L"res/mainWnd/bg1.png")) << what;
}

// Every way the archive can arrive damaged opens as nothing, without a crash: the suite runs
// under the address and undefined-behaviour sanitizers too.
TEST_F(SkinPackageTest, DamagedArchivesOpenAsNothing) {
  const std::string& good = *archive_;
  ASSERT_GT(good.size(), 4096u);
  const size_t header = HeaderPosition(good);
  ASSERT_LT(header, good.size());

  auto flipped = [&good](size_t at) {
    std::string s = good;
    s[at] = static_cast<char>(s[at] ^ 0x5A);
    return s;
  };
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"signature only", good.substr(0, 6)},
      {"start header only", good.substr(0, 32)},
      {"cut in the packed data", good.substr(0, good.size() / 2)},
      {"cut in the header", good.substr(0, header + 4)},
      {"one byte short", good.substr(0, good.size() - 1)},
      {"signature damaged", flipped(2)},
      {"start header check sum damaged", flipped(9)},
      {"header offset damaged", flipped(13)},
      {"header size damaged", flipped(20)},
      {"header check sum damaged", flipped(29)},
      {"packed data damaged near the start", flipped(40)},
      {"packed data damaged in the middle", flipped(header / 2)},
      {"header damaged", flipped(header + 2)},
      {"not an archive", std::string(2048, 'Q')},
      {"a zip archive", std::string("PK\x03\x04\x14\x00\x00\x00\x00\x00", 10) + std::string(64, '\0')},
  };
  for (const Case& c : cases) {
    ResourcePackage package;
    EXPECT_FALSE(package.Open(c.bytes.data(), c.bytes.size())) << c.what;
    ExpectNothingFound(package, c.what);
  }
}

// The archive with its header's decoder asking for `dictionary` bytes, every check sum right.
std::string WithHeaderDictionary(const std::string& good, uint32_t dictionary) {
  std::string s = good;
  const size_t header = HeaderPosition(s);
  uint64_t length = 0;
  std::memcpy(&length, s.data() + 20, 8);
  // The LZMA decoder's record: flags (3-byte id, with properties), id 03 01 01, 5 property bytes.
  const size_t coder = s.find(std::string("\x23\x03\x01\x01\x05", 5), header);
  if (coder == std::string::npos || coder + 11 > header + length) return {};
  for (int i = 0; i < 4; ++i) s[coder + 6 + i] = static_cast<char>(dictionary >> (8 * i));
  const auto put32 = [&s](size_t at, uLong value) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(value >> (8 * i));
  };
  put32(28, crc32(0, reinterpret_cast<const Bytef*>(s.data() + header), static_cast<uInt>(length)));
  put32(8, crc32(0, reinterpret_cast<const Bytef*>(s.data() + 12), 20));
  return s;
}

// A well-formed archive whose decoder asks for a dictionary no skin needs is refused before the
// decoder reserves it; up to the package's unpacked limit it opens with every file intact.
TEST_F(SkinPackageTest, DictionaryBeyondTheUnpackedLimitIsRefused) {
  struct Case {
    uint32_t dictionary;
    bool opens;
  } cases[] = {{1536u << 20, false}, {0xFFFFFFFFu, false}, {(64u << 20) + 1, false}, {64u << 20, true}};
  for (const Case& c : cases) {
    const std::string bytes = WithHeaderDictionary(*archive_, c.dictionary);
    ASSERT_FALSE(bytes.empty()) << "the skin's header has no LZMA decoder record";
    ResourcePackage package;
    ASSERT_EQ(package.Open(bytes.data(), bytes.size()), c.opens) << c.dictionary;
    if (!c.opens) {
      ExpectNothingFound(package, "huge dictionary");
      continue;
    }
    ASSERT_EQ(package.Entries().size(), package_->Entries().size());
    for (size_t e = 0; e < package.Entries().size(); ++e)
      EXPECT_EQ(package.Entries()[e].data, package_->Entries()[e].data);
  }
}

// A sweep across the packed stream: every cut fails; damage either fails the whole archive or,
// where it hits a byte the decoder never needs (the stream's end marker), every file still
// unpacks to exactly its bytes. Damaged bytes are never served.
TEST_F(SkinPackageTest, DamageAnywhereInThePackedStreamIsNeverServed) {
  const std::string& good = *archive_;
  const size_t header = HeaderPosition(good);
  ASSERT_LT(header, good.size());
  constexpr int kPoints = 24;
  for (int i = 0; i <= kPoints; ++i) {
    const size_t at = 32 + (header - 1 - 32) * i / kPoints;
    const std::string cut = good.substr(0, at);
    ResourcePackage package;
    EXPECT_FALSE(package.Open(cut.data(), cut.size())) << "cut at " << at;
    ExpectNothingFound(package, "cut");

    std::string damaged = good;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
    if (!package.Open(damaged.data(), damaged.size())) {
      ExpectNothingFound(package, "damaged");
      continue;
    }
    ASSERT_EQ(package.Entries().size(), package_->Entries().size()) << "damaged at " << at;
    for (size_t e = 0; e < package.Entries().size(); ++e) {
      ASSERT_EQ(package.Entries()[e].data, package_->Entries()[e].data) << "damaged at " << at;
    }
  }
}

// Archives written by hand with every check sum right, whose header counts lie: the reader
// library reserves what the counts say before it finds out (gigabytes for a few hundred bytes), so
// they are refused first, whether the header is plain or compressed.
TEST(HandMadeArchiveTest, ForgedHeadersAreRefusedAndTrueOnesOpen) {
  using SkinTest::HeaderCounts;
  using SkinTest::HeaderPacking;
  const std::vector<SkinTest::StoredFile> files = {{"mainWnd.xml", "<Window size=\"10,10\"/>"},
                                                   {"res/b.png", std::string(300, 'b')}};
  const uint64_t headerSize = SkinTest::PlainHeader(files).size();
  struct Case {
    const char* what;
    HeaderCounts counts;
    HeaderPacking packing;
    bool opens;
  } cases[] = {
      {"plain header", {}, {}, true},
      {"compressed header", {}, {true}, true},
      {"82 million files, plain", {0x04E4E4E4, 0}, {}, false},
      {"82 million files, compressed", {0x04E4E4E4, 0}, {true}, false},
      {"one file more than a skin holds", {ResourcePackage::kMaxEntries + 1, 0}, {true}, false},
      {"a billion streams, plain", {0, 1ull << 30}, {}, false},
      {"a billion streams, compressed", {0, 1ull << 30}, {true}, false},
      {"compressed header claiming 1 TiB", {}, {true, 1ull << 40}, false},
      {"compressed header claiming a byte more than it has", {}, {true, headerSize + 1}, false},
      {"compressed header with a wrong check sum", {}, {true, 0, true}, false},
  };
  for (const Case& c : cases) {
    const std::string archive = SkinTest::SevenZipArchive(SkinTest::StoredData(files),
                                                          SkinTest::PlainHeader(files, c.counts), c.packing);
    ResourcePackage package;
    ASSERT_EQ(package.Open(archive.data(), archive.size()), c.opens) << c.what;
    if (!c.opens) {
      ExpectNothingFound(package, c.what);
      continue;
    }
    ASSERT_EQ(package.Entries().size(), files.size()) << c.what;
    for (const auto& f : files) {
      const auto data = package.Data(std::wstring(f.name.begin(), f.name.end()));
      ASSERT_TRUE(data) << c.what << ": " << f.name;
      EXPECT_EQ(*data, f.data) << c.what << ": " << f.name;
    }
  }
}

TEST_F(SkinPackageTest, ReopeningWithDamagedBytesForgetsTheEarlierArchive) {
  ResourcePackage package;
  ASSERT_TRUE(package.Open(archive_->data(), archive_->size()));
  const std::string cut = archive_->substr(0, archive_->size() / 3);
  EXPECT_FALSE(package.Open(cut.data(), cut.size()));
  EXPECT_FALSE(package.Find(L"mainWnd.xml", nullptr, nullptr));
}

// --- The process's package. Each case runs in a fresh child process, since the package is set
// --- once per process.

void ExpectInChild(void (*body)()) {
  EXPECT_EXIT(
      {
        body();
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ProcessPackageDeathTest, OpensOnceAndServesEveryLaterWindowFromMemory) {
  ExpectInChild([] {
    EXPECT_FALSE(SkinUI::IsPackageSet());
    EXPECT_EQ(SkinUI::PackageName(), L"");
    EXPECT_EQ(SkinUI::PackageOpenCount(), 0);
    EXPECT_FALSE(SkinUI::FindEntry(L"mainWnd.xml", nullptr, nullptr));
    EXPECT_FALSE(SkinUI::EntryData(L"mainWnd.xml"));

    // The first window copies the resource and sets it; the copy may go away afterwards.
    std::string copy(SkinTest::EmbeddedArchive());
    EXPECT_TRUE(SkinUI::SetPackageFromMemory(copy.data(), copy.size()));
    copy.assign(copy.size(), '\0');
    EXPECT_EQ(SkinUI::PackageName(), L"membuffer");
    const auto layout = SkinUI::EntryData(L"MainWnd.xml");
    ASSERT_TRUE(layout);
    EXPECT_NE(layout->find("mainTabLt"), std::string_view::npos);

    // A second window (a message box) sets the package again: nothing is reopened, and even
    // different bytes do not replace it.
    const std::string_view embedded = SkinTest::EmbeddedArchive();
    EXPECT_TRUE(SkinUI::SetPackageFromMemory(embedded.data(), embedded.size()));
    EXPECT_TRUE(SkinUI::SetPackageFromMemory("garbage", 7));
    EXPECT_EQ(SkinUI::PackageOpenCount(), 1);
    EXPECT_EQ(SkinUI::EntryData(L"mainwnd.xml")->data(), layout->data());

    int index = -1;
    size_t size = 0;
    ASSERT_TRUE(SkinUI::FindEntry(L"res\\MessageBoxWnd\\icoWarn.png", &index, &size));
    std::string bytes(size, '\0');
    EXPECT_TRUE(SkinUI::ReadEntry(index, bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, *SkinUI::EntryData(L"res/MessageBoxWnd/icoWarn.png"));
  });
}

TEST(ProcessPackageDeathTest, AnUnreadableFirstPackageStaysUnreadable) {
  ExpectInChild([] {
    const std::string_view embedded = SkinTest::EmbeddedArchive();
    const std::string cut(embedded.substr(0, embedded.size() / 2));
    EXPECT_FALSE(SkinUI::SetPackageFromMemory(cut.data(), cut.size()));
    EXPECT_TRUE(SkinUI::IsPackageSet());
    EXPECT_FALSE(SkinUI::SetPackageFromMemory(embedded.data(), embedded.size()));
    EXPECT_EQ(SkinUI::PackageOpenCount(), 1);
    EXPECT_FALSE(SkinUI::FindEntry(L"mainWnd.xml", nullptr, nullptr));
    char byte;
    EXPECT_FALSE(SkinUI::ReadEntry(0, &byte, 1));
  });
}

}  // namespace
