// Replaces the global allocator of a test program with two functions the program defines:
// ReplacedAllocate (may throw std::bad_alloc) and ReplacedFree. Include in one file only.
#pragma once

#include <cstddef>
#include <new>

void* ReplacedAllocate(std::size_t size);
void ReplacedFree(void* p) noexcept;

void* operator new(std::size_t size) { return ReplacedAllocate(size); }
void* operator new[](std::size_t size) { return ReplacedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ReplacedAllocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { ReplacedFree(p); }
void operator delete[](void* p) noexcept { ReplacedFree(p); }
void operator delete(void* p, std::size_t) noexcept { ReplacedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { ReplacedFree(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { ReplacedFree(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { ReplacedFree(p); }
