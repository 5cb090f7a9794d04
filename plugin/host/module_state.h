/*
 * Module state: what lives as long as the loaded library. All of it is zero
 * at load; the DLL entry, SDLL_Init and SDLL_InitCall fill it in. No lock
 * guards it: the host calls our exports one at a time.
 */
#ifndef SDLL_HOST_MODULE_STATE_H
#define SDLL_HOST_MODULE_STATE_H

#include <cstdint>

#include "../platform/platform.h"
#include "sdll.h"

namespace sdll {

struct ModuleState {
  platform::ModuleHandle module = nullptr;
  uint32_t host_context = 0;
  SdllService services[kSlotCount] = {};
};

ModuleState &Module();

}  // namespace sdll

#endif
