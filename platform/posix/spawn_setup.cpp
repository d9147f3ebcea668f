#include "platform/posix/spawn_setup.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

SpawnSetup::SpawnSetup() {
  actionsReady_ = ::posix_spawn_file_actions_init(&actions_) == 0;
  attributesReady_ = ::posix_spawnattr_init(&attributes_) == 0;
}

SpawnSetup::~SpawnSetup() {
  if (actionsReady_) ::posix_spawn_file_actions_destroy(&actions_);
  if (attributesReady_) ::posix_spawnattr_destroy(&attributes_);
}

int SpawnSetup::KeepOnlyStreams(int input, int output, int error) {
  if (!Ready()) return ENOMEM;
  if (int e = ::posix_spawn_file_actions_adddup2(&actions_, input, STDIN_FILENO)) return e;
  if (int e = ::posix_spawn_file_actions_adddup2(&actions_, output, STDOUT_FILENO)) return e;
  if (int e = ::posix_spawn_file_actions_adddup2(&actions_, error, STDERR_FILENO)) return e;
  return ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
}

int SpawnSetup::KeepOnlyNullStreams() {
  if (!Ready()) return ENOMEM;
  for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (int e = ::posix_spawn_file_actions_addopen(&actions_, stream, "/dev/null", O_RDWR, 0)) return e;
  }
  return ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
}

int SpawnSetup::StartIn(const std::string& folder) {
  if (!Ready()) return ENOMEM;
  return ::posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str());
}

int SpawnSetup::ResetSignals(bool ownSession) {
  if (!Ready()) return ENOMEM;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  if (int e = ::posix_spawnattr_setsigmask(&attributes_, &none)) return e;
  if (int e = ::posix_spawnattr_setsigdefault(&attributes_, &all)) return e;
  const short flags = static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | (ownSession ? POSIX_SPAWN_SETSID : 0));
  return ::posix_spawnattr_setflags(&attributes_, flags);
}

}  // namespace Platform
