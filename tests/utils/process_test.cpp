#include "utils/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/codepage.h"
#include "utils/exception.h"

namespace {

std::wstring HelperCommand(const std::wstring& arguments) {
  return L"\"" + Platform::AnsiToWide(QV_TEST_CHILD) + L"\" " + arguments;
}

size_t OpenDescriptorCount() {
  DIR* dir = ::opendir("/proc/self/fd");
  size_t count = 0;
  while (dirent* entry = ::readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  ::closedir(dir);
  return count;
}

std::string ReadAllOutput(Utils::Process& process) {
  std::string all;
  char buffer[1024];
  size_t got = 0;
  while (process.ReadOutput(buffer, sizeof(buffer), got)) all.append(buffer, got);
  EXPECT_EQ(got, 0u);
  return all;
}

// Runs the helper with `arguments` to its end and returns its standard output.
std::string RunHelper(const std::wstring& arguments) {
  Utils::Process process;
  process.CreatePipes();
  process.Start(HelperCommand(arguments));
  std::string output = ReadAllOutput(process);
  EXPECT_TRUE(process.Wait());
  return output;
}

TEST(ProcessTest, PipesCarryBytesBothWays) {
  std::string payload;
  for (int round = 0; round < 100; ++round)
    for (int byte = 0; byte < 256; ++byte) payload.push_back(static_cast<char>(byte));
  Utils::Process process;
  process.CreatePipes();
  process.Start(HelperCommand(L"echo"));
  size_t written = 0;
  ASSERT_TRUE(process.WriteInput(payload.data(), payload.size(), written));
  EXPECT_EQ(written, payload.size());
  process.CloseInput();
  EXPECT_EQ(ReadAllOutput(process), payload);
  ASSERT_TRUE(process.Wait());
  uint32_t code = 1;
  ASSERT_TRUE(process.GetExitCode(code));
  EXPECT_EQ(code, 0u);
}

TEST(ProcessTest, ArgumentsArriveAsTheCommandLineSplitsThem) {
  EXPECT_EQ(RunHelper(L"args \"two words\" back\\slash \"say \\\"hi\\\"\" \"\" 安装"),
            "two words\nback\\slash\nsay \"hi\"\n\n安装\n");
}

TEST(ProcessTest, CommandLineOf1023CharactersRunsAnd1024IsRefused) {
  const std::wstring head = HelperCommand(L"args ");
  const std::wstring longest = head + std::wstring(1023 - head.size(), L'x');
  ASSERT_EQ(longest.size(), 1023u);
  EXPECT_EQ(RunHelper(longest.substr(head.size() - 5)), std::string(1023 - head.size(), 'x') + "\n");

  Utils::Process process;
  process.CreatePipes();
  EXPECT_THROW(process.Start(longest + L"x"), Utils::Exception);
  EXPECT_EQ(process.ProcessId(), 0u);
}

TEST(ProcessTest, FailedAndFinishedStartsLeaveNoDescriptorOpen) {
  const std::wstring notExecutable = L"/proc/self/status";
  struct Case {
    const char* what;
    std::wstring commandLine;
    bool starts;
  } cases[] = {
      {"missing program", L"/nonexistent/quorvane-setup.exe /S", false},
      {"file without execute permission", notExecutable, false},
      {"empty command line", L"", false},
      {"blank command line", L"  \t ", false},
      {"quotes only", L"\"\"", false},
      {"command line too long", HelperCommand(std::wstring(1100, L'x')), false},
      {"program that runs", HelperCommand(L"exit 0"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const size_t before = OpenDescriptorCount();
    {
      Utils::Process process;
      process.CreatePipes();
      EXPECT_EQ(OpenDescriptorCount(), before + 6);
      if (c.starts) {
        process.Start(c.commandLine);
        // The child's three ends are closed here once it has them; the parent keeps its three
        // and, where the kernel has them, a process descriptor.
        EXPECT_GE(OpenDescriptorCount(), before + 3);
        EXPECT_LE(OpenDescriptorCount(), before + 4);
        EXPECT_TRUE(process.Wait());
      } else {
        EXPECT_THROW(process.Start(c.commandLine), Utils::Exception);
      }
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
  }
}

TEST(ProcessTest, ChildSeesOnlyItsThreeStandardStreams) {
  // Descriptors the parent leaves inheritable, as a library might, must not reach the child.
  const int inheritable = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(inheritable, 0);
  EXPECT_EQ(RunHelper(L"fds"), "0 1 2\n");
  ::close(inheritable);
}

TEST(ProcessTest, ExitCodeIsStillActiveUntilTheChildEnds) {
  Utils::Process sleeper;
  sleeper.CreatePipes();
  sleeper.Start(HelperCommand(L"sleep"));
  uint32_t code = 0;
  ASSERT_TRUE(sleeper.GetExitCode(code));
  EXPECT_EQ(code, Utils::Process::kStillActive);
  EXPECT_TRUE(sleeper.Kill());
  EXPECT_TRUE(sleeper.Wait());
  ASSERT_TRUE(sleeper.GetExitCode(code));
  EXPECT_EQ(code, 128u + 9u);
  EXPECT_FALSE(sleeper.Kill());

  // A child that writes nothing: the read fails once it has exited, and the code is its own.
  Utils::Process silent;
  silent.CreatePipes();
  silent.Start(HelperCommand(L"exit 3"));
  char buffer[16];
  size_t got = 99;
  EXPECT_FALSE(silent.ReadOutput(buffer, sizeof(buffer), got));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(silent.Wait());
  ASSERT_TRUE(silent.GetExitCode(code));
  EXPECT_EQ(code, 3u);

  Utils::Process none;
  EXPECT_FALSE(none.GetExitCode(code));
  EXPECT_FALSE(none.Wait());
}

TEST(ProcessTest, ChildFloodingItsErrorStreamNeverBlocks) {
  // A megabyte is far more than a pipe holds: the child would block for ever if nobody read it.
  for (const bool readOutputFirst : {true, false}) {
    SCOPED_TRACE(readOutputFirst ? "reading the output" : "only waiting");
    Utils::Process process;
    process.CreatePipes();
    process.Start(HelperCommand(L"stderr 1048576"));
    if (readOutputFirst) {
      EXPECT_EQ(ReadAllOutput(process), "done\n");
    }
    ASSERT_TRUE(process.Wait());
    const std::string errors = process.TakeErrorOutput();
    EXPECT_EQ(errors, std::string(Utils::Process::kErrorOutputKept, 'e'));
    EXPECT_EQ(process.TakeErrorOutput(), "");
  }
}

TEST(ProcessTest, StartNeedsPipesAndHappensOnce) {
  Utils::Process withoutPipes;
  EXPECT_THROW(withoutPipes.Start(HelperCommand(L"exit 0")), Utils::Exception);

  Utils::Process process;
  process.CreatePipes();
  process.Start(HelperCommand(L"exit 0"));
  EXPECT_THROW(process.Start(HelperCommand(L"exit 0")), Utils::Exception);
  EXPECT_TRUE(process.Wait());
}

}  // namespace
