// publish-package: lays out a publish folder for the package server (or nginx).
//
//   publish-package <package-file> <id> <publish-folder> [--name <file name>] [--md5 <digest>] [--link]

#include "tools/package-server/publish.h"

int main(int argc, char** argv) { return Peers::RunPublishCommand(argc - 1, argv + 1); }
