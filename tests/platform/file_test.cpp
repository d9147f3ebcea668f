#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/path.h"

namespace {

struct PathCase {
  const wchar_t* path;
  const wchar_t* fileName;
  const wchar_t* directory;
};

TEST(Path, SplitsOnBothSeparators) {
  const PathCase cases[] = {
      {L"/opt/Quorvane/uninst.ep", L"uninst.ep", L"/opt/Quorvane"},
      {L"C:\\Program Files\\Quorvane\\a.exe", L"a.exe", L"C:\\Program Files\\Quorvane"},
      {L"mixed\\dir/file", L"file", L"mixed\\dir"},
      {L"plain", L"plain", L""},
      {L"/trailing/", L"", L"/trailing"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(Platform::FileNameOf(c.path), c.fileName) << c.path;
    EXPECT_EQ(Platform::DirectoryOf(c.path), c.directory) << c.path;
  }
  EXPECT_EQ(Platform::JoinPath(L"/a/", L"\\b\\c.ini"), L"/a/b/c.ini");
  EXPECT_EQ(Platform::NativePath(L"\\__Package_Quorvane.exe"), L"/__Package_Quorvane.exe");
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qv-file-XXXXXX";
    dir_ = Platform::AnsiToWide(mkdtemp(pattern));
  }
  void TearDown() override { Platform::RemoveTree(dir_); }
  std::wstring dir_;
};

TEST_F(FileTest, AtomicWriteReplacesAndLeavesNoTemporaryFiles) {
  const std::wstring path = dir_ + L"/rec.ini";
  ASSERT_TRUE(Platform::WriteFileAtomically(path, "one"));
  ASSERT_TRUE(Platform::WriteFileAtomically(path, "two"));
  EXPECT_EQ(Platform::ReadWholeFile(path).value_or(""), "two");
  ASSERT_TRUE(Platform::RemoveFile(path));
  EXPECT_TRUE(Platform::RemoveTree(dir_));  // empty again: no temporary left behind
  EXPECT_FALSE(Platform::PathExists(dir_));
}

TEST_F(FileTest, RemoveTreeDoesNotFollowSymbolicLinks) {
  char pattern[] = "/tmp/qv-outside-XXXXXX";
  const std::string outside = mkdtemp(pattern);
  const std::wstring keep = Platform::AnsiToWide(outside + "/keep");
  ASSERT_TRUE(Platform::WriteFileAtomically(keep, "x"));
  ASSERT_EQ(symlink(outside.c_str(), Platform::WideToAnsi(dir_ + L"/link").c_str()), 0);
  EXPECT_TRUE(Platform::RemoveTree(dir_));
  EXPECT_TRUE(Platform::PathExists(keep));
  Platform::RemoveTree(Platform::AnsiToWide(outside));
}

TEST_F(FileTest, PrivateDirectoryMustBeOwnedAndClosed) {
  const std::wstring mine = dir_ + L"/mine";
  ASSERT_TRUE(Platform::CreatePrivateDirectory(mine));
  EXPECT_TRUE(Platform::IsPrivateDirectory(mine));
  chmod(Platform::WideToAnsi(mine).c_str(), 0777);
  EXPECT_FALSE(Platform::IsPrivateDirectory(mine));
  ASSERT_EQ(symlink(Platform::WideToAnsi(mine).c_str(), Platform::WideToAnsi(dir_ + L"/alias").c_str()), 0);
  chmod(Platform::WideToAnsi(mine).c_str(), 0700);
  EXPECT_FALSE(Platform::IsPrivateDirectory(dir_ + L"/alias"));
}

TEST_F(FileTest, CopyKeepsBytesAndMode) {
  const std::wstring from = dir_ + L"/a.bin";
  std::string data(200000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(Platform::WriteFileAtomically(from, data));
  ASSERT_TRUE(Platform::MakeExecutable(from));
  ASSERT_TRUE(Platform::CopyFileReplace(from, dir_ + L"/b.bin"));
  EXPECT_EQ(Platform::ReadWholeFile(dir_ + L"/b.bin").value_or(""), data);
  struct stat st;
  ASSERT_EQ(stat(Platform::WideToAnsi(dir_ + L"/b.bin").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_FALSE(Platform::CopyFileReplace(dir_ + L"/missing", dir_ + L"/c.bin"));
  EXPECT_FALSE(Platform::PathExists(dir_ + L"/c.bin"));
}

}  // namespace
