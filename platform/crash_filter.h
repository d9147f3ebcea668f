#pragma once
// The last-chance handler for a crash anywhere in the process (an unhandled exception on Windows,
// a fatal signal here). It runs the installer's reporter once, best-effort, and then lets the
// system's own crash handling follow, so the process still dies the way it would have.

namespace Platform {

using CrashReporter = void (*)();

// Installs `reporter` for the fatal signals (segmentation fault, bus error, illegal instruction,
// arithmetic fault, abort). On the installing thread the reporter runs on an alternate stack, so a
// stack overflow there is reported too; a crash inside the reporter, or a reporter that takes longer than a few seconds,
// ends the process with the original signal. Returns false when the handler could not be installed.
bool InstallCrashFilter(CrashReporter reporter);

// Removes the process's DLL search hazards before anything else is loaded. Nothing to do on POSIX,
// where libraries come from the loader's fixed paths; kept so the entry point reads the same everywhere.
void HardenLibrarySearch();

}  // namespace Platform
