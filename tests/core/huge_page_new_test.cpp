#include "runtime/huge_page_new.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace kestrum::runtime {
namespace {

TEST(HugePageNew, BlocksOfEverySizeHoldTheirBytesAndAreFreedByEitherRoute) {
  // Sizes around the big-block threshold and the huge-page boundary, where a rounding slip would
  // hand out a block shorter than asked for.
  for (const size_t size : {size_t{0}, size_t{1}, kBigBlock - 1, kBigBlock, kBigBlock + 1, (size_t{2} << 20) - 64,
                            (size_t{2} << 20) - 63, size_t{5} << 20}) {
    auto* block = static_cast<unsigned char*>(AllocateBlock(size));
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kBlockAlignment, 0u) << size;
    if (size > 0) {
      std::memset(block, 0xA5, size);
      EXPECT_EQ(block[size - 1], 0xA5) << size;
    }
    FreeBlock(block);
  }
  // Blocks that malloc gave, whatever their address, are handed back to it.
  for (int i = 0; i < 1000; ++i) FreeBlock(std::malloc(static_cast<size_t>(i) * 97 + 1));
  FreeBlock(nullptr);
}

TEST(HugePageNew, GrowingStringsAndManyLiveBlocksKeepTheirContents) {
  // A page read into a string grows through every size class; many big blocks live at once
  // (more than the table of mappings holds, so the later ones come from malloc).
  std::string page;
  for (int i = 0; page.size() < (size_t{9} << 20); ++i) page += "line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(page.compare(0, 14, "line 0\r\nline 1"), 0);
  std::vector<std::unique_ptr<char[]>> blocks;
  for (int i = 0; i < 1100; ++i) {
    blocks.emplace_back(new char[kBigBlock]);
    blocks.back()[0] = static_cast<char>(i);
    blocks.back()[kBigBlock - 1] = static_cast<char>(i + 1);
  }
  for (int i = 0; i < 1100; ++i) {
    ASSERT_EQ(blocks[static_cast<size_t>(i)][0], static_cast<char>(i));
    ASSERT_EQ(blocks[static_cast<size_t>(i)][kBigBlock - 1], static_cast<char>(i + 1));
  }
  struct alignas(128) Wide {
    char bytes[kBigBlock];
  };
  auto wide = std::make_unique<Wide>();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide.get()) % 128, 0u);
}

}  // namespace
}  // namespace kestrum::runtime
