/*
 * SDLL_LoadConfiguration: hands the settings schema, resource 101 of type
 * CONFIGURATION in our own module, to the host. The bytes go out as the
 * resource holds them, with their count and no terminator; the host takes
 * what it needs during the call.
 */
#include "../platform/platform.h"
#include "module_state.h"
#include <sdll/sdll.h>
#include "services.h"

namespace {

const int kSchemaId = 101;
const char kSchemaType[] = "CONFIGURATION";

enum : int32_t { kHandedOver = 0, kNotFound = 1, kNotLoaded = 2 };

}  // namespace

extern "C" {

/*
 * The host is called once, and only once the resource is loaded; no
 * message is shown for a missing or unloadable one. A resource that loads
 * but yields no address counts as not loaded (result 2): passing the host
 * a null text with a byte count would invite it to read from nowhere.
 */
SDLL_EXPORT int32_t SDLL_CDECL SDLL_LoadConfiguration(void) {
  const platform::ModuleHandle module = sdll::Module().module;
  const platform::ResourceInfo info = platform::FindResourceById(module, kSchemaId, kSchemaType);
  if (info == nullptr) return kNotFound;
  const platform::ResourceData data = platform::LoadResourceData(module, info);
  if (data == nullptr) return kNotLoaded;
  const void *text = platform::LockResourceData(data);
  if (text == nullptr) {
    platform::FreeResourceData(data);
    return kNotLoaded;
  }
  const uint32_t size = platform::ResourceSize(module, info);
  sdll::HostSetConfiguration(static_cast<const char *>(text), size);
  platform::FreeResourceData(data);
  return kHandedOver;
}

}  // extern "C"
