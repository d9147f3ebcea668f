// The probes that touch the file system: directory trees, the private temporary folder, free space.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/codepage.h"
#include "tests/utils/error_stream_capture.h"
#include "tests/utils/temp_folder.h"
#include "utils/directory_tree.h"
#include "utils/hard_disk_manager.h"
#include "utils/temp_work_dir.h"

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const fs::path& path) { return Platform::AnsiToWide(path.string()); }

TEST(DirectoryTreeTest, CreatesEveryMissingLevel) {
  TempFolder temp;
  const std::string base = temp.Path().string();
  std::ofstream(temp / "file.txt") << "x";
  // A path of exactly the limit, and one beyond it.
  const std::string atLimit = base + "/" + std::string(Utils::kMaxDirectoryPath - base.size() - 1, 'p');
  const std::string overLimit = base + "/" + std::string(Utils::kMaxDirectoryPath - base.size(), 'q');
  struct Case {
    std::string path;
    bool result;
    std::string directory;  // what must exist afterwards, when the result is true
  } cases[] = {
      {base + "/a/b/c", true, base + "/a/b/c"},
      {base + "\\d\\e", true, base + "/d/e"},
      {base + "/f/g/", true, base + "/f/g"},
      {base + "/a/b", true, base + "/a/b"},  // exists already
      {base, true, base},
      {atLimit, true, atLimit},
      {overLimit, false, ""},
      {base + "/file.txt", false, ""},  // a file is not a directory
      {base + "/file.txt/h", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Utils::CreateDirectoryTree(Platform::AnsiToWide(c.path)), c.result);
    if (c.result) {
      EXPECT_TRUE(fs::is_directory(c.directory));
    }
  }
  EXPECT_FALSE(fs::exists(overLimit));
  EXPECT_TRUE(fs::is_regular_file(temp / "file.txt"));
}

class TempWorkDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = ::getenv("TMPDIR");
    hadTmpdir_ = old != nullptr;
    if (old) oldTmpdir_ = old;
    ::setenv("TMPDIR", temp_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (hadTmpdir_) ::setenv("TMPDIR", oldTmpdir_.c_str(), 1);
    else ::unsetenv("TMPDIR");
  }

  fs::path Folder() const { return temp_ / "~PlenwickTemp.92482B06FB471E17"; }

  TempFolder temp_;
  bool hadTmpdir_ = false;
  std::string oldTmpdir_;
};

TEST_F(TempWorkDirTest, CreatesAPrivateFolderOrReusesOne) {
  const std::wstring expected = Wide(Folder()) + L"/";
  EXPECT_EQ(Utils::GetTempWorkDir(), expected);
  struct stat st;
  ASSERT_EQ(::lstat(Folder().c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  std::ofstream(Folder() / "Quorvane_un_asa.exe") << "kept";
  EXPECT_EQ(Utils::GetTempWorkDir(), expected);
  EXPECT_TRUE(fs::exists(Folder() / "Quorvane_un_asa.exe"));
}

TEST_F(TempWorkDirTest, RefusesAFolderSomeoneElseCouldHavePlanted) {
  const fs::path elsewhere = temp_ / "elsewhere";
  struct Case {
    const char* what;
    bool needsRoot;
    void (*plant)(const fs::path& folder, const fs::path& elsewhere);
  } cases[] = {
      {"open to everyone", false, [](const fs::path& f, const fs::path&) {
         fs::create_directory(f);
         ::chmod(f.c_str(), 0777);
       }},
      {"readable by the group", false, [](const fs::path& f, const fs::path&) {
         fs::create_directory(f);
         ::chmod(f.c_str(), 0750);
       }},
      {"owned by another user", true, [](const fs::path& f, const fs::path&) {
         fs::create_directory(f);
         ::chmod(f.c_str(), 0700);
         (void)::chown(f.c_str(), 65534, 65534);
       }},
      {"symbolic link to a private folder", false, [](const fs::path& f, const fs::path& e) {
         fs::create_directory(e);
         ::chmod(e.c_str(), 0700);
         fs::create_directory_symlink(e, f);
       }},
      {"dangling symbolic link", false, [](const fs::path& f, const fs::path& e) {
         fs::create_directory_symlink(e / "missing", f);
       }},
      {"regular file", false, [](const fs::path& f, const fs::path&) { std::ofstream(f) << "x"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needsRoot && ::geteuid() != 0) continue;  // only root can give a folder away
    c.plant(Folder(), elsewhere);
    EXPECT_EQ(Utils::GetTempWorkDir(), L"");
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
    fs::remove_all(elsewhere, ignored);
  }
}

TEST(FreeSpaceTest, ExistingAndNotYetCreatedFoldersReportTheirVolume) {
  TempFolder temp;
  Utils::HardDiskManager existing;
  ASSERT_TRUE(existing.CheckFreeSpace(Wide(temp.Path())));
  EXPECT_GT(existing.totalBytes, 0u);
  EXPECT_LE(existing.totalFreeBytes, existing.totalBytes);
  EXPECT_LE(existing.freeBytesAvailable, existing.totalFreeBytes);

  // What df says about the same volume.
  FILE* df = ::popen(("df --output=size -B1 '" + temp.Path().string() + "' | tail -n 1").c_str(), "r");
  ASSERT_NE(df, nullptr);
  unsigned long long dfSize = 0;
  EXPECT_EQ(std::fscanf(df, "%llu", &dfSize), 1);
  ::pclose(df);
  EXPECT_EQ(existing.totalBytes, dfSize);

  Utils::HardDiskManager missing;
  ASSERT_TRUE(missing.CheckFreeSpace(Wide(temp / "Quorvane" / "not" / "yet")));
  EXPECT_EQ(missing.totalBytes, existing.totalBytes);
  EXPECT_FALSE(fs::exists(temp / "Quorvane"));
}

TEST(FreeSpaceTest, FailureIsLoggedAndLeavesTheFieldsAlone) {
  Utils::HardDiskManager manager;
  manager.freeBytesAvailable = 7;
  ErrorStreamCapture capture;
  EXPECT_FALSE(manager.CheckFreeSpace(L""));
  const std::string log = capture.Stop();
  EXPECT_EQ(manager.freeBytesAvailable, 7u);
  EXPECT_EQ(manager.totalBytes, 0u);
  EXPECT_NE(log.find("(Utils::HardDiskManager::CheckFreeSpace)"), std::string::npos) << log;
  EXPECT_NE(log.find(": HardDiskManager::CheckFreeSpace FAIL code=2\r\n"), std::string::npos) << log;
}

}  // namespace
