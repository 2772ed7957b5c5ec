#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace paiscribe {

// Memory for the JSON reader's own stack. The library writes through what its
// allocator returns without a check, so a failed allocation throws
// std::bad_alloc here, as the standard containers do, instead of returning null.
struct ThrowingAllocator {
  static const bool kNeedFree = true;

  void* Malloc(std::size_t size) {
    if (size == 0) return nullptr;
    return checked(std::malloc(size));
  }
  void* Realloc(void* block, std::size_t, std::size_t new_size) {
    if (new_size == 0) {
      std::free(block);
      return nullptr;
    }
    return checked(std::realloc(block, new_size));
  }
  static void Free(void* block) { std::free(block); }

 private:
  // A failed realloc leaves the old block to its owner, which frees it.
  static void* checked(void* block) {
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
};

}  // namespace paiscribe
