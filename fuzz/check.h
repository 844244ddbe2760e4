#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a finding: say which, and abort so that libFuzzer keeps the input.
inline void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}
