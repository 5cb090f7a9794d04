// A promise the code under test keeps on every input: when broken, say
// which and abort, so libFuzzer keeps the input.
#ifndef TESTS_FUZZ_FUZZ_CHECK_H
#define TESTS_FUZZ_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(c) \
  ((c) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #c), std::abort()))

#endif
