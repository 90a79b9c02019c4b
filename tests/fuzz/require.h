#pragma once

#include <cstdio>
#include <cstdlib>

namespace quillon::fuzz {

// A broken invariant is a crash to libFuzzer, which keeps the input that broke it.
inline void Require(bool holds, const char* invariant) {
  if (!holds) {
    std::fprintf(stderr, "broken: %s\n", invariant);
    std::abort();
  }
}

}  // namespace quillon::fuzz
