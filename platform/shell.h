#pragma once
// The shell's "open" verb: an address or a folder goes to the desktop's opener; a program file is
// started on its own, detached from the installer (its own session, standard streams on the null
// device, no descriptor of the installer), so it outlives the installer and never holds its pipes.
// It is collected once it ends; the installer never waits for it.

#include <string_view>

namespace Platform {

enum class ShowCommand { Normal, Maximized };

// `parameters` is a command-line text split with the CommandLineToArgvW rules; `workingFolder` may
// be empty (the installer's own current folder). False when nothing could be started.
bool ShellOpen(std::wstring_view target, std::wstring_view parameters, std::wstring_view workingFolder,
               ShowCommand show);

}  // namespace Platform
