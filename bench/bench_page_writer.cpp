// Writes a generated page to a file, for the command-line comparisons in compare_link_listing.sh.
// Usage: bench_page_writer realistic BYTES FILE, or bench_page_writer links COUNT FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "page_generator.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s realistic BYTES FILE | links COUNT FILE\n", argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  const size_t bytes = std::strtoull(argv[2], nullptr, 10);
  const std::string page = kind == "links" ? kestrum::bench::DistinctLinksPage(bytes) : kestrum::bench::RealisticPage(bytes);
  std::ofstream(argv[3], std::ios::binary) << page;
  return 0;
}
