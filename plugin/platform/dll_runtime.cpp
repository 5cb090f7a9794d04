/*
 * The parts of the C++ runtime that the DLL supplies itself.
 *
 * The plug-in is built without exceptions, yet the static libstdc++ that
 * the DLL carries would bring in the whole exception machinery (unwinder,
 * personality routine, exception classes, the demangler of the verbose
 * terminate handler): operator new throws bad_alloc, and the library's
 * std::__throw_* helpers throw the <stdexcept> classes. Nothing in the
 * plug-in could catch any of them, so each would end in std::terminate
 * anyway. Replacing exactly those entry points with ones that end the
 * process at once keeps all of that out of the DLL (about 200 KB of its
 * 230). Linked into the DLL only: the tests and tools keep the real ones.
 *
 * Every __throw_* helper of libstdc++'s functexcept.o is defined here, so
 * that object is never pulled in beside these (which would clash).
 */
#include <bits/functexcept.h>
#include <stdlib.h>

#include <cstddef>
#include <new>

/* operator new: the replaceable allocation function. A failed allocation
 * ends the process, as an uncaught bad_alloc would. */
void *operator new(std::size_t bytes) {
  void *block = malloc(bytes != 0 ? bytes : 1);
  if (block == nullptr) abort();
  return block;
}

void operator delete(void *block) noexcept { free(block); }
void operator delete(void *block, std::size_t) noexcept { free(block); }

namespace std {

void __throw_bad_exception() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_logic_error(const char *) { abort(); }
void __throw_domain_error(const char *) { abort(); }
void __throw_invalid_argument(const char *) { abort(); }
void __throw_length_error(const char *) { abort(); }
void __throw_out_of_range(const char *) { abort(); }
void __throw_out_of_range_fmt(const char *, ...) { abort(); }
void __throw_runtime_error(const char *) { abort(); }
void __throw_range_error(const char *) { abort(); }
void __throw_overflow_error(const char *) { abort(); }
void __throw_underflow_error(const char *) { abort(); }

}  // namespace std
