/*
 * Module state: what lives as long as the loaded library. All of it is zero
 * at load; the DLL entry, SDLL_Init and SDLL_InitCall fill it in. No lock
 * guards it: the host calls our exports one at a time.
 */
#ifndef SDLL_HOST_MODULE_STATE_H
#define SDLL_HOST_MODULE_STATE_H

#include <cstdint>

#include "../platform/platform.h"
#include <sdll/sdll.h>

namespace sdll {

/* The table comes first, so a write one slot past it would land on the
 * context, which every later service call shows, rather than on memory
 * nobody looks at. */
struct ModuleState {
  SdllService services[kSlotCount] = {};
  uint32_t host_context = 0;
  platform::ModuleHandle module = nullptr;
};

ModuleState &Module();

}  // namespace sdll

#endif
