// kestrum-cli: the dissection engine in a terminal.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/identity.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("kestrum-cli (%s) %s\n", kestrum::kProgramTitle, kestrum::VersionText().c_str());
    return 0;
  }
  std::printf("Usage: kestrum-cli --version\n");
  return argc >= 2 && std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
}
