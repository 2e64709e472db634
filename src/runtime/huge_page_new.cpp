// Large blocks (a fetched page, its pane text, the looks of its characters, a report) come from
// mappings of their own that ask for transparent huge pages. On the machines we run on, the first
// touch of a fresh 4 KiB page costs microseconds, about 2.4 ms for each megabyte, more than the
// scans themselves; a 2 MiB page is one fault instead of 512. Smaller blocks stay with malloc.
//
// This file replaces the global operator new and delete of the programs that link it. Builds with
// a sanitizer keep the sanitizer's own, which check every allocation.
#include "runtime/huge_page_new.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <mutex>
#include <new>

namespace kestrum::runtime {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Where a block starts inside its mapping: room for nothing but alignment, so the low bits of a
// big block's address are always the same and most small blocks are told apart without a lock.
constexpr size_t kBlockOffset = 64;

struct Mapping {
  void* block = nullptr;
  size_t length = 0;
};

// The live big blocks. Programs hold a handful at a time; a block beyond the table's room
// comes from malloc instead, so the table never decides anything on a guess.
class BigBlockTable {
 public:
  bool add(void* block, size_t length) {
    std::lock_guard lock(mutex_);
    for (Mapping& m : mappings_) {
      if (m.block) continue;
      m = {block, length};
      return true;
    }
    return false;
  }
  // The mapping's length when `block` is a live big block (and forgets it), else 0.
  size_t take(void* block) {
    std::lock_guard lock(mutex_);
    for (Mapping& m : mappings_) {
      if (m.block != block) continue;
      const size_t length = m.length;
      m = {};
      return length;
    }
    return 0;
  }

 private:
  std::mutex mutex_;
  Mapping mappings_[1024];
};

BigBlockTable& Table() {
  static BigBlockTable* table = new (std::malloc(sizeof(BigBlockTable))) BigBlockTable;
  return *table;
}

bool MayBeBig(const void* p) {
  return (reinterpret_cast<uintptr_t>(p) & (kHugePage - 1)) == kBlockOffset;
}

void* MapBig(size_t size) {
  if (size > (SIZE_MAX >> 1)) return nullptr;
  const size_t length = (size + kBlockOffset + kHugePage - 1) & ~(kHugePage - 1);
  // One huge page more than needed, so that an aligned stretch can be cut out of it.
  void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  const uintptr_t end = start + length + kHugePage;
  if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
  void* base = reinterpret_cast<void*>(aligned);
  ::madvise(base, length, MADV_HUGEPAGE);  // a hint: without huge pages the block still works
  void* block = static_cast<char*>(base) + kBlockOffset;
  if (!Table().add(block, length)) {
    ::munmap(base, length);
    return nullptr;
  }
  return block;
}

// Small blocks come from malloc's heap, which grows at the program break. The heap is made to
// grow in large steps, and its first step, which holds the small blocks of a whole dissection
// (the links of a page are hundreds of thousands of them), is backed by huge pages too.
constexpr size_t kHeapStep = size_t{256} << 20;

}  // namespace

void PrepareHeap() {
  ::mallopt(M_TOP_PAD, static_cast<int>(kHeapStep));
  ::mallopt(M_TRIM_THRESHOLD, static_cast<int>(kHeapStep * 2));
  // Blocks below malloc's own mapping size, until the heap has taken its next (large) step.
  const uintptr_t before = reinterpret_cast<uintptr_t>(::sbrk(0));
  void* taken[16] = {};
  uintptr_t after = before;
  for (void*& block : taken) {
    block = std::malloc(size_t{100} << 10);
    after = reinterpret_cast<uintptr_t>(::sbrk(0));
    if (after != before) break;
  }
  for (void* block : taken) std::free(block);
  const uintptr_t start = (before + kHugePage - 1) & ~(kHugePage - 1);
  if (before == uintptr_t(-1) || after <= start) return;
  ::madvise(reinterpret_cast<void*>(start), (after - start) & ~(kHugePage - 1), MADV_HUGEPAGE);
}

void* AllocateBlock(size_t size) {
  if (size >= kBigBlock)
    if (void* block = MapBig(size)) return block;
  return std::malloc(size == 0 ? 1 : size);
}

void FreeBlock(void* block) {
  if (!block) return;
  if (MayBeBig(block)) {
    if (const size_t length = Table().take(block)) {
      ::munmap(static_cast<char*>(block) - kBlockOffset, length);
      return;
    }
  }
  std::free(block);
}

}  // namespace kestrum::runtime

#ifndef KESTRUM_SANITIZED_ALLOCATOR

namespace {

// Before main, before the first small block: the heap's first step is taken here.
[[maybe_unused]] const bool kHeapPrepared = (kestrum::runtime::PrepareHeap(), true);

void* NewOrThrow(size_t size) {
  for (;;) {
    if (void* block = kestrum::runtime::AllocateBlock(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* AlignedNewOrThrow(size_t size, std::align_val_t alignment) {
  const size_t align = static_cast<size_t>(alignment);
  // Big blocks start 64 bytes into a huge page; stricter alignments go to the C library.
  if (align <= kestrum::runtime::kBlockAlignment) return NewOrThrow(size);
  for (;;) {
    void* block = nullptr;
    if (::posix_memalign(&block, align, size == 0 ? 1 : size) == 0) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(size_t size) { return NewOrThrow(size); }
void* operator new[](size_t size) { return NewOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return NewOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return NewOrThrow(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(size_t size, std::align_val_t alignment) { return AlignedNewOrThrow(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return AlignedNewOrThrow(size, alignment); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return AlignedNewOrThrow(size, alignment);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return AlignedNewOrThrow(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

void operator delete(void* block) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete[](void* block) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete(void* block, size_t) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete[](void* block, size_t) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete(void* block, std::align_val_t) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete[](void* block, std::align_val_t) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { kestrum::runtime::FreeBlock(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  kestrum::runtime::FreeBlock(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  kestrum::runtime::FreeBlock(block);
}

#endif
