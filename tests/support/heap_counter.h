// Counting heap allocations: a program that includes counting_new.h (in one
// source file) counts every operator new while counting is on.
#pragma once
#include <atomic>

namespace tavrel::testing::heap {

inline std::atomic<bool> counting{false};
inline std::atomic<long> allocations{0};

// Counts the allocations made during its lifetime.
class Counter {
public:
    Counter() {
        allocations.store(0);
        counting.store(true);
    }
    ~Counter() { counting.store(false); }
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;
    long count() const { return allocations.load(); }
};

}  // namespace tavrel::testing::heap
