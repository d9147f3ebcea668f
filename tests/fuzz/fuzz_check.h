#pragma once
// A property check inside a fuzz target: a broken property is a finding, so it aborts with the
// reason, which both the fuzzer and the corpus replay report as a failure.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);   \
      std::abort();                                                                            \
    }                                                                                          \
  } while (false)
