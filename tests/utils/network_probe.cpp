// Prints the network probe's result; the network test runs it inside network namespaces it sets up.
#include <cstdio>

#include "utils/network.h"

int main() {
  std::printf("%d\n", Utils::CheckNetwork());
  return 0;
}
