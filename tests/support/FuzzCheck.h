#pragma once

#include <cstdio>
#include <cstdlib>

// A property of the code under test that the input broke: reported and aborted, so
// that libFuzzer keeps the input as a crash.
#define TAVOR_FUZZ_CHECK(condition)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
