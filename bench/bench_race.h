// What the drawing and frame benchmarks share beyond the test helpers: the
// process's CPU clock.
#pragma once

#include <ctime>

#include "test_support.h"

// The process's CPU time in milliseconds, llvmpipe's rendering threads included.
inline double cpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}
