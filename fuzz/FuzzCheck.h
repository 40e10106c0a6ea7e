#pragma once
// A property that a fuzz target checks on every input. A broken property
// aborts, so that libFuzzer keeps the input as a crash artefact and prints
// which property broke.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                          \
  do {                                                                                                                 \
    if (!(condition)) {                                                                                                \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                            \
      std::abort();                                                                                                    \
    }                                                                                                                  \
  } while (false)
