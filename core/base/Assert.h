#pragma once

#include <cstdio>
#include <cstdlib>

// Internal consistency checks: a broken invariant prints its condition and where, then stops the
// program before it can write damaged data.
#define OSK_ASSERT(condition, source)                                                                        \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "Assertion failed: %s, file %s\n", #condition, source);                     \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)
