// The fuzz targets' invariant check: a broken invariant aborts, so libFuzzer keeps the input as a crash file.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

inline void Check(bool holds, const char* invariant) {
    if (!holds) {
        std::fprintf(stderr, "broken invariant: %s\n", invariant);
        std::abort();
    }
}

}  // namespace fuzzcheck
