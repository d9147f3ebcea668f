#pragma once
// The descriptors the process holds open, for a debug report at exit that shows leaks.

#include <string>
#include <vector>

namespace Platform {

struct OpenDescriptor {
  int number;
  std::string target;  // what it refers to: a path, "pipe:[…]", "socket:[…]", or "" when unreadable
};

// Every open descriptor of this process, lowest first (the one used to list them excluded).
// Empty when the system cannot list them.
std::vector<OpenDescriptor> ListOpenDescriptors();

}  // namespace Platform
