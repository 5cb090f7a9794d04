#include "services.h"

#include "module_state.h"

namespace sdll {
namespace {

/* The slot's pointer as the service's own type; null while the slot is
 * empty. The cast back from the generic slot type is the inverse of the
 * cast the host made when it handed the service in. */
template <typename Fn>
Fn Slot(SdllSlot slot) {
  return reinterpret_cast<Fn>(Module().services[slot]);
}

uint32_t Context() { return Module().host_context; }

}  // namespace

void HostSetConfiguration(const char *text, uint32_t size) {
  if (auto fn = Slot<HostSetConfigurationFn>(kSlotSetConfiguration)) fn(text, size);
}

const SdllWideChar *HostGetEngineString(const char *section, const char *key) {
  auto fn = Slot<HostGetEngineStringFn>(kSlotGetEngineString);
  return fn ? fn(Context(), section, key) : nullptr;
}

void HostMessageBox(const char *message, const char *caption, uint32_t style) {
  if (auto fn = Slot<HostMessageBoxFn>(kSlotMessageBox)) fn(message, caption, style);
}

int32_t HostGetGameInteger(const char *section, const char *key) {
  auto fn = Slot<HostGetGameIntegerFn>(kSlotGetGameInteger);
  return fn ? fn(Context(), section, key) : 0;
}

const SdllWideChar *HostGetGameString(const char *section, const char *key) {
  auto fn = Slot<HostGetGameStringFn>(kSlotGetGameString);
  return fn ? fn(Context(), section, key) : nullptr;
}

void HostAddVerifyFile(const char *engine_folder, const char *file_name) {
  if (auto fn = Slot<HostAddVerifyFileFn>(kSlotAddVerifyFile)) fn(engine_folder, file_name);
}

void HostSetContentFlags(uint32_t flags) {
  if (auto fn = Slot<HostSetContentFlagsFn>(kSlotSetContentFlags)) fn(Context(), flags);
}

int32_t HostGetFileCount() {
  auto fn = Slot<HostGetFileCountFn>(kSlotGetFileCount);
  return fn ? fn(Context()) : 0;
}

const SdllWideChar *HostGetFileName(int32_t index) {
  auto fn = Slot<HostGetFileNameFn>(kSlotGetFileName);
  return fn ? fn(Context(), index) : nullptr;
}

void HostSetEngineValid(int32_t valid) {
  if (auto fn = Slot<HostSetEngineValidFn>(kSlotSetEngineValid)) fn(Context(), valid);
}

}  // namespace sdll
