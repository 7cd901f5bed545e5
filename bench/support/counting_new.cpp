// The benchmarks count heap allocations per iteration.
#include "tests/support/counting_new.h"
