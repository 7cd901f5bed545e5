// Replaces the global operator new and delete (every form the library may
// call, so allocations and releases always pair) to count allocations.
// Include in exactly one source file of a program.
#pragma once
#include <cstdlib>
#include <new>

#include "tests/support/heap_counter.h"

namespace tavrel::testing::heap {
inline void* allocate(std::size_t size) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace tavrel::testing::heap

// The replacements pair malloc with free; GCC cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (void* p = tavrel::testing::heap::allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return tavrel::testing::heap::allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return tavrel::testing::heap::allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
