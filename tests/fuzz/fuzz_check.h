#pragma once

#include <cstdio>
#include <cstdlib>

// A fuzz target checks the code's promises, not only that it survives: a broken one aborts, so
// that libFuzzer keeps the input that broke it.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char *what)
{
    if (!ok)
        fail(what);
}
