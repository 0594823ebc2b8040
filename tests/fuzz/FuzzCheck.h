#pragma once

#include <cstdio>
#include <cstdlib>

namespace kolvane::fuzzing {

// A property that does not hold is a finding like a crash: libFuzzer stops on the abort and keeps
// the input that caused it.
inline void Require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "property violated: %s\n", property);
    std::abort();
}

} // namespace kolvane::fuzzing
