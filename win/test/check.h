// The smallest test harness: CHECK records a failure and goes on; main
// returns checkResult(), so the process fails if any check failed.
#pragma once
#include <cstdio>

namespace check_detail {
inline int failures = 0;
}

#define CHECK(condition)                                                                         \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            ++check_detail::failures;                                                            \
            std::fprintf(stderr, "%s:%d: CHECK failed: %s\n", __FILE__, __LINE__, #condition); \
        }                                                                                        \
    } while (0)

inline int checkResult(const char* name) {
    if (check_detail::failures == 0) {
        std::printf("%s: all checks passed\n", name);
        return 0;
    }
    std::fprintf(stderr, "%s: %d check(s) failed\n", name, check_detail::failures);
    return 1;
}
