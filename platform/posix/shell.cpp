#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/posix/spawn_setup.h"

extern char** environ;

namespace Platform {
namespace {

constexpr char kDesktopOpener[] = "xdg-open";

// Full path of `program` found in PATH, or empty.
std::string FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

bool IsProgramFile(const std::string& path) {
  return IsRegularFile(AnsiToWide(path)) && ::access(path.c_str(), X_OK) == 0;
}

// What is started: the program, its argv and the folder it starts in.
struct LaunchPlan {
  std::string program;
  std::vector<std::string> arguments;  // argv, the program first
  std::string workingFolder;           // empty: stay in the current folder
};

// Standard streams on the null device and no other descriptor of the installer (pipes of a
// deployment script, the lock file), so the program never holds what the installer opened; its
// own session, so a signal to the installer's terminal or process group does not reach it.
int PrepareDetachedSpawn(SpawnSetup* setup, const std::string& workingFolder) {
  if (int e = setup->KeepOnlyNullStreams()) return e;
  if (!workingFolder.empty()) {
    if (int e = setup->StartIn(workingFolder)) return e;
  }
  return setup->ResetSignals(true);
}

// Programs started here stay children of the installer until it exits (then init adopts them).
// Ones that have ended are collected at the next launch, so they do not linger as zombies.
// Guarded by g_startedMutex; any thread may launch.
std::mutex g_startedMutex;
std::vector<pid_t> g_started;

void CollectEndedPrograms() {
  std::lock_guard<std::mutex> lock(g_startedMutex);
  std::erase_if(g_started, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

// posix_spawn returns only after the exec has succeeded or failed (a missing folder, an unrunnable
// file), and it does not fork the whole threaded process. True when the program image was started.
bool LaunchDetached(const LaunchPlan& plan) {
  CollectEndedPrograms();
  std::vector<char*> argv;
  for (const std::string& a : plan.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  SpawnSetup spawn;
  if (PrepareDetachedSpawn(&spawn, plan.workingFolder) != 0) return false;
  pid_t pid = 0;
  if (::posix_spawn(&pid, plan.program.c_str(), spawn.Actions(), spawn.Attributes(), argv.data(), environ) != 0)
    return false;
  std::lock_guard<std::mutex> lock(g_startedMutex);
  g_started.push_back(pid);
  return true;
}

}  // namespace

bool ShellOpen(std::wstring_view target, std::wstring_view parameters, std::wstring_view workingFolder,
               ShowCommand show) {
  // The window state has no meaning for a program started here; the opener picks its own.
  (void)show;
  if (target.empty()) return false;
  LaunchPlan plan;
  plan.workingFolder = WideToAnsi(NativePath(workingFolder));
  const std::string native = WideToAnsi(NativePath(target));
  if (IsProgramFile(native)) {
    plan.program = native;
    plan.arguments.push_back(plan.program);
    if (!parameters.empty()) {
      // A stand-in program name first: the first argument follows different splitting rules.
      std::vector<std::wstring> split = SplitCommandLine(L"program " + std::wstring(parameters));
      for (size_t i = 1; i < split.size(); ++i) plan.arguments.push_back(WideToAnsi(split[i]));
    }
  } else {
    plan.program = FindInPath(kDesktopOpener);
    if (plan.program.empty()) return false;
    // A folder or document by its native path; anything else (an address) as it was given.
    plan.arguments = {plan.program, PathExists(target) ? native : WideToAnsi(target)};
  }
  return LaunchDetached(plan);
}

}  // namespace Platform
