#pragma once
// posix_spawn's file actions and attributes for a child of the installer, released on every path.
// Each step returns 0 or an errno value; a setup that could not be initialised fails every step
// with ENOMEM.

#include <spawn.h>

#include <string>

namespace Platform {

class SpawnSetup {
 public:
  SpawnSetup();
  ~SpawnSetup();
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // The child's standard streams become these descriptors, and it inherits nothing else:
  // descriptors some library opened without close-on-exec (or the single-instance lock) must not
  // live on in it.
  int KeepOnlyStreams(int input, int output, int error);
  // The same with all three standard streams on the null device.
  int KeepOnlyNullStreams();
  int StartIn(const std::string& folder);
  // No blocked signals and default dispositions, whatever the spawning thread had: an ignored
  // SIGPIPE or a thread's mask would otherwise carry over into a program that expects neither.
  // `ownSession` also puts the child in a session of its own.
  int ResetSignals(bool ownSession);

  const posix_spawn_file_actions_t* Actions() const { return &actions_; }
  const posix_spawnattr_t* Attributes() const { return &attributes_; }

 private:
  bool Ready() const { return actionsReady_ && attributesReady_; }

  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
  bool actionsReady_ = false;
  bool attributesReady_ = false;
};

}  // namespace Platform
