#pragma once
// The allocation behind the programs' operator new: blocks of kBigBlock bytes or more get a
// mapping of their own backed by transparent huge pages, smaller ones come from malloc.
#include <cstddef>

namespace kestrum::runtime {

inline constexpr size_t kBigBlock = size_t{1} << 20;
// Every block is aligned at least this much.
inline constexpr size_t kBlockAlignment = 16;

// Never null for a size the system can hold; null when memory is exhausted.
void* AllocateBlock(size_t size);
// Takes blocks from AllocateBlock, and also from malloc.
void FreeBlock(void* block);
// Sets malloc's heap to grow in large steps and backs its first step with huge pages.
void PrepareHeap();

}  // namespace kestrum::runtime
