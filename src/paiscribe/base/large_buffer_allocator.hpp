#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>

namespace paiscribe {

// Takes blocks of a mebibyte or more straight from the system, so that they
// go back to it when freed. malloc may serve such a block from its heap once
// it has seen large blocks come and go, and then keep its pages after the
// free: a log's text, dropped before the lines are made, would still count
// towards the peak.
template <typename T>
struct LargeBufferAllocator {
  using value_type = T;
  static constexpr std::size_t kFromSystem = std::size_t{1} << 20;

  LargeBufferAllocator() = default;
  template <typename U>
  LargeBufferAllocator(const LargeBufferAllocator<U>&) {}

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kFromSystem) return static_cast<T*>(::operator new(bytes));
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kFromSystem) ::operator delete(block);
    else ::munmap(block, bytes);
  }

  template <typename U>
  friend bool operator==(const LargeBufferAllocator&, const LargeBufferAllocator<U>&) {
    return true;
  }
};

}  // namespace paiscribe
