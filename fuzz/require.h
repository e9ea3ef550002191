#pragma once

#include <cstdio>
#include <cstdlib>

// Aborts, naming the broken promise, so that libFuzzer keeps the input that broke it.
inline void require(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}
