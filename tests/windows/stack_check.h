// Stack balance across the 32-bit boundary, measured rather than inferred
// from the absence of a crash: the exports are called through a thunk that
// compares ESP before and after (cdecl: the caller cleans, so no change),
// and every service is entered through a thunk that swaps its return
// address for a landing pad, so ESP is seen on the way in and on the way
// back to the plug-in (stdcall: the service removes exactly its arguments).
#ifndef TESTS_WINDOWS_STACK_CHECK_H
#define TESTS_WINDOWS_STACK_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "../plugin/host/sdll.h"

namespace stack_check {

// Calls `function` (cdecl) with the 32-bit arguments; *moved is how far ESP
// moved across the call (0 when caller and callee agree).
uint32_t CallCdecl(uint32_t function, std::vector<uint32_t> args, int32_t *moved);

// A service that forwards to `real` for `slot` and checks what the
// plug-in's call did to the stack; `argument_bytes` is what the service
// takes.
SdllService Watch(uint32_t slot, SdllService real, uint32_t argument_bytes);

// Service calls since the last Reset, and those whose stack did not add up.
int Calls();
std::vector<std::string> Faults();
void Reset();

}  // namespace stack_check

#endif
