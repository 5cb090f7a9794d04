/*
 * The two set-up exports. Neither calls the host: the host may hand in its
 * services and its context in any order before it uses the other exports.
 */
#include <cstring>

#include "module_state.h"
#include <sdll/sdll.h>

extern "C" {

/*
 * SDLL_InitCall: stores one host service in its slot, replacing what stood
 * there (null included). Indices past the table are ignored silently; the
 * comparison is unsigned so 0xFFFFFFFF is "past the table" too.
 */
SDLL_EXPORT void SDLL_CDECL SDLL_InitCall(uint32_t index, SdllService service) {
  if (index < kSlotCount) sdll::Module().services[index] = service;
}

/*
 * SDLL_Init: keeps the host context and answers with our display name and
 * the host's engine code. The host gives no buffer length; it promises room
 * for the 8 bytes of "Wolf ET" and its terminator.
 */
SDLL_EXPORT int32_t SDLL_CDECL SDLL_Init(uint32_t context, char *name, uint16_t *code) {
  static const char kDisplayName[] = "Wolf ET";
  sdll::Module().host_context = context;
  if (name != nullptr) std::memcpy(name, kDisplayName, sizeof kDisplayName);
  if (code != nullptr) *code = 29;
  return 0;
}

}  // extern "C"
