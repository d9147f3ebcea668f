#include "platform/crash_filter.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Platform {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
// A reporter that hangs (a lock held by the crashed thread, a collector that never answers) must
// not keep a dead installer around.
constexpr unsigned kReportSeconds = 5;
constexpr size_t kAlternateStackBytes = 256 * 1024;

std::atomic<CrashReporter> g_reporter{nullptr};
std::atomic<bool> g_reporting{false};
int g_crashSignal = 0;

void RestoreDefaultAndReraise(int signal) {
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
  ::raise(signal);
  // A signal the fault itself raised again (SIGSEGV returning to the faulting instruction) ends
  // the process there; one raised synchronously ends it here.
  ::_exit(128 + signal);
}

// When the reporter takes too long, die of the crash that started it.
void OnReportTimeout(int) { RestoreDefaultAndReraise(g_crashSignal != 0 ? g_crashSignal : SIGABRT); }

void OnFatalSignal(int signal) {
  // Only the first crash reports; a crash while reporting (or on another thread meanwhile) ends
  // the process at once.
  if (g_reporting.exchange(true)) RestoreDefaultAndReraise(signal);
  g_crashSignal = signal;
  for (int s : kFatalSignals) {
    if (s == signal) continue;
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = SIG_DFL;
    ::sigaction(s, &action, nullptr);
  }
  struct sigaction timeout;
  std::memset(&timeout, 0, sizeof(timeout));
  timeout.sa_handler = OnReportTimeout;
  ::sigaction(SIGALRM, &timeout, nullptr);
  ::alarm(kReportSeconds);
  if (CrashReporter reporter = g_reporter.load()) reporter();
  ::alarm(0);
  RestoreDefaultAndReraise(signal);
}

bool InstallAlternateStack() {
  // Allocated once and kept for the life of the process: the handler may run at any moment.
  static void* stackMemory = std::malloc(kAlternateStackBytes);
  if (!stackMemory) return false;
  stack_t stack;
  std::memset(&stack, 0, sizeof(stack));
  stack.ss_sp = stackMemory;
  stack.ss_size = kAlternateStackBytes;
  return ::sigaltstack(&stack, nullptr) == 0;
}

}  // namespace

bool InstallCrashFilter(CrashReporter reporter) {
  g_reporter.store(reporter);
  if (!InstallAlternateStack()) return false;
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  bool ok = true;
  for (int s : kFatalSignals) ok = ::sigaction(s, &action, nullptr) == 0 && ok;
  return ok;
}

void HardenLibrarySearch() {}

}  // namespace Platform
