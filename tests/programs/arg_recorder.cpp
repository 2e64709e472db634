// Stands in for a program the window starts: writes the arguments it received, each followed by
// a NUL byte, to the file named by KESTRUM_ARG_RECORD, so a test sees exactly what arrived.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  const char* record = std::getenv("KESTRUM_ARG_RECORD");
  if (record == nullptr) return 2;
  const std::string partial = std::string(record) + ".part";
  std::FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) return 1;
  for (int i = 1; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
  std::fclose(file);
  return std::rename(partial.c_str(), record) == 0 ? 0 : 1;
}
