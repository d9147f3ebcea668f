// The registry store, the single-instance lock and the shell's "open" on this system.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "scratch_folder.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\Plenwick\\Quorvane";

bool WaitForFile(const std::wstring& path, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (Platform::PathExists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

class RegistryTest : public ::testing::Test {
 protected:
  ScratchFolder home_;
  ScopedEnv config_{"XDG_CONFIG_HOME", home_.native() + "/config"};
};

TEST_F(RegistryTest, ValuesRoundTripWhateverTheyHold) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"InstallPath", L"/opt/Quorvane"},
      {L"Spaces", L"C:\\Program Files (x86)\\Quorvane"},
      {L"Equals", L"a=b==c"},
      {L"Escapes", L"back\\slash \\n not a line feed"},
      {L"Lines", L"one\ntwo\r\nthree"},
      {L"Chinese", L"安装包安装失败"},
      {L"Empty", L""},
      {L"name=with=equals", L"value"},
  };
  for (const auto& [name, value] : cases) ASSERT_TRUE(Platform::RegistryWriteString(kKey, name, value)) << name;
  for (const auto& [name, value] : cases) EXPECT_EQ(Platform::RegistryReadString(kKey, name), value) << name;
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndAWriteReplaces) {
  ASSERT_TRUE(Platform::RegistryWriteString(kKey, L"InstallPath", L"/first"));
  ASSERT_TRUE(Platform::RegistryWriteString(L"software/PLENWICK\\quorvane", L"INSTALLPATH", L"/second"));
  EXPECT_EQ(Platform::RegistryReadString(kKey, L"installpath"), L"/second");
  EXPECT_EQ(Platform::RegistryReadString(kKey, L"UnInstallEp"), std::nullopt);
  EXPECT_EQ(Platform::RegistryReadString(L"Software\\Plenwick\\Other", L"InstallPath"), std::nullopt);
}

TEST_F(RegistryTest, KeyPathsThatWouldLeaveTheStoreAreRefused) {
  for (const wchar_t* key : {L"..\\..\\escape", L"Software\\..\\..\\x", L"", L"\\\\", L"Software\\.\\x"}) {
    EXPECT_FALSE(Platform::RegistryWriteString(key, L"v", L"x")) << key;
    EXPECT_EQ(Platform::RegistryReadString(key, L"v"), std::nullopt) << key;
  }
  EXPECT_FALSE(Platform::PathExists(home_ / L"escape.key"));
}

TEST_F(RegistryTest, DamagedKeyFileReadsAsMissingValuesAndIsRepairedByAWrite) {
  ASSERT_TRUE(Platform::RegistryWriteString(kKey, L"InstallPath", L"/opt/Quorvane"));
  const std::wstring file = home_ / L"config/plenwick-registry/software/plenwick/quorvane.key";
  ASSERT_TRUE(Platform::IsRegularFile(file));
  ASSERT_TRUE(Platform::WriteFileAtomically(file, std::string("garbage without equals\n\xff\xfe\x00\x01", 28)));
  EXPECT_EQ(Platform::RegistryReadString(kKey, L"InstallPath"), std::nullopt);
  ASSERT_TRUE(Platform::RegistryWriteString(kKey, L"InstallPath", L"/opt/Quorvane"));
  EXPECT_EQ(Platform::RegistryReadString(kKey, L"InstallPath"), L"/opt/Quorvane");
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::chmod(runtime_.native().c_str(), 0700), 0); }
  std::wstring name_ = L"D1A547DB89C0BC61_Installer_QuorvaneTest" + std::to_wstring(::getpid());
  ScratchFolder runtime_;
  ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.native()};
};

// A second process holding the lock keeps this one out until it dies, however it dies.
TEST_F(SingleInstanceTest, HeldByAnotherProcessUntilItIsKilled) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    Platform::SingleInstanceLock lock(name_);
    const char answer = lock.Acquire() ? 'y' : 'n';
    (void)!::write(ready[1], &answer, 1);
    ::pause();
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');

  Platform::SingleInstanceLock second(name_);
  EXPECT_FALSE(second.Acquire());
  EXPECT_FALSE(second.IsHeld());

  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_TRUE(second.Acquire());
  second.Release();
  Platform::SingleInstanceLock third(name_);
  EXPECT_TRUE(third.Acquire());
  ::close(ready[0]);
  ::close(ready[1]);
}

// A program started while the lock is held does not keep it after this process lets go.
TEST_F(SingleInstanceTest, ChildProgramsDoNotInheritTheLock) {
  auto first = std::make_unique<Platform::SingleInstanceLock>(name_);
  ASSERT_TRUE(first->Acquire());
  int execed[2];
  ASSERT_EQ(::pipe2(execed, O_CLOEXEC), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl("/bin/sleep", "sleep", "5", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // End of file once the child's exec has closed its copy of the pipe.
  ::close(execed[1]);
  char c;
  ASSERT_EQ(::read(execed[0], &c, 1), 0);
  ::close(execed[0]);
  first.reset();
  Platform::SingleInstanceLock again(name_);
  EXPECT_TRUE(again.Acquire());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

TEST_F(SingleInstanceTest, NeverFollowsALinkPlantedAsTheLockFile) {
  const std::wstring target = runtime_ / L"victim";
  ASSERT_TRUE(Platform::WriteFileAtomically(target, "keep"));
  const std::string link = runtime_.native() + "/" + Platform::WideToUtf8(name_) + ".lock";
  ASSERT_EQ(::symlink(Platform::WideToUtf8(target).c_str(), link.c_str()), 0);
  Platform::SingleInstanceLock lock(name_);
  EXPECT_FALSE(lock.Acquire());
  EXPECT_EQ(ReadText(target), "keep");
}

TEST_F(SingleInstanceTest, AnOpenRuntimeFolderIsNotUsed) {
  ASSERT_EQ(::chmod(runtime_.native().c_str(), 0777), 0);
  Platform::SingleInstanceLock lock(name_);
  ASSERT_TRUE(lock.Acquire());
  EXPECT_FALSE(Platform::PathExists(runtime_ / (name_ + L".lock")));
  const std::string fallback = "/tmp/plenwick-" + std::to_string(::geteuid());
  struct stat st;
  ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SingleInstanceTest, NamesThatAreNotAFileNameAreRefused) {
  for (const wchar_t* name : {L"", L"../outside", L"a/b"}) {
    Platform::SingleInstanceLock lock(name);
    EXPECT_FALSE(lock.Acquire()) << name;
  }
}

class ShellOpenTest : public ::testing::Test {
 protected:
  // A program that records its folder, its arguments, whether its standard input is the null
  // device and its session, then lives on for a while.
  std::wstring WriteProgram(const std::wstring& name, const char* lingerSeconds) {
    const std::wstring path = folder_ / name;
    const std::string script = std::string("#!/bin/sh\n") +
                               "out=\"" + folder_.native() + "/record\"\n"
                               "pwd > \"$out.tmp\"\n"
                               "for a in \"$@\"; do echo \"arg:$a\" >> \"$out.tmp\"; done\n"
                               "readlink /proc/$$/fd/0 >> \"$out.tmp\"\n"
                               "cut -d' ' -f6 /proc/$$/stat >> \"$out.tmp\"\n"

                               "mv \"$out.tmp\" \"$out\"\n"
                               "sleep " + lingerSeconds + "\n";
    EXPECT_TRUE(Platform::WriteFileAtomically(path, script));
    EXPECT_TRUE(Platform::MakeExecutable(path));
    return path;
  }
  ScratchFolder folder_;
};

TEST_F(ShellOpenTest, StartsAProgramDetachedInItsFolderWithItsParameters) {
  const std::wstring program = WriteProgram(L"Quorvane.exe", "0");
  ASSERT_TRUE(Platform::CreateOneDirectory(folder_ / L"work dir"));
  ASSERT_TRUE(Platform::ShellOpen(program, L"-first \"two words\"", folder_ / L"work dir",
                                  Platform::ShowCommand::Normal));
  ASSERT_TRUE(WaitForFile(folder_ / L"record"));
  const std::string record = ReadText(folder_ / L"record");
  EXPECT_NE(record.find(folder_.native() + "/work dir\n"), std::string::npos) << record;
  EXPECT_NE(record.find("arg:-first\narg:two words\n"), std::string::npos) << record;
  EXPECT_NE(record.find("/dev/null\n"), std::string::npos) << record;
  // A session of its own, not the installer's.
  const size_t last = record.rfind('\n', record.size() - 2);
  EXPECT_NE(record.substr(last + 1), std::to_string(::getsid(0)) + "\n") << record;
}

// A deployment script that reads the installer's output must see its end when the installer
// ends, even while the product it started keeps running.
TEST_F(ShellOpenTest, TheProgramHoldsNoDescriptorOfTheInstaller) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);  // inheritable on purpose
  const std::wstring program = WriteProgram(L"lingers", "3");
  ASSERT_TRUE(Platform::ShellOpen(program, L"", L"", Platform::ShowCommand::Normal));
  ASSERT_TRUE(WaitForFile(folder_ / L"record"));
  ::close(pipeEnds[1]);
  pollfd p{pipeEnds[0], POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 1000), 1) << "the started program still holds the pipe";
  char c;
  EXPECT_EQ(::read(pipeEnds[0], &c, 1), 0);
  ::close(pipeEnds[0]);
}

// The program stays a child of the installer until the installer ends; once it has ended it must
// not stay behind as a zombie while the installer lives on (the window launches more than once).
TEST_F(ShellOpenTest, AnEndedProgramIsCollectedAtTheNextLaunch) {
  const std::wstring program = folder_ / L"notes-pid";
  ASSERT_TRUE(Platform::WriteFileAtomically(program, "#!/bin/sh\necho $$ > \"$1.tmp\" && mv \"$1.tmp\" \"$1\"\n"));
  ASSERT_TRUE(Platform::MakeExecutable(program));
  ASSERT_TRUE(Platform::ShellOpen(program, L"first", folder_.path(), Platform::ShowCommand::Normal));
  ASSERT_TRUE(WaitForFile(folder_ / L"first"));
  const std::string pid = ReadText(folder_ / L"first").substr(0, ReadText(folder_ / L"first").find('\n'));
  const std::string stat = "/proc/" + pid + "/stat";
  // Wait until it has ended (a zombie, or already gone), then launch again.
  for (int i = 0; i < 500; ++i) {
    const std::string text = ReadText(Platform::Utf8ToWide(stat));
    if (text.empty() || text.find(") Z ") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(Platform::ShellOpen(program, L"second", folder_.path(), Platform::ShowCommand::Normal));
  EXPECT_EQ(ReadText(Platform::Utf8ToWide(stat)), "") << "the first program is still a zombie";
  ASSERT_TRUE(WaitForFile(folder_ / L"second"));
}

TEST_F(ShellOpenTest, NothingToStartIsAFailure) {
  EXPECT_FALSE(Platform::ShellOpen(L"", L"", L"", Platform::ShowCommand::Normal));
  // A program whose folder does not exist cannot start there.
  const std::wstring program = WriteProgram(L"p", "0");
  EXPECT_FALSE(Platform::ShellOpen(program, L"", folder_ / L"missing", Platform::ShowCommand::Normal));
}

}  // namespace
