/*
 * The settings schema is a resource of our own module; these are the
 * kernel's resource calls, one to one.
 */
#include <windows.h>

#include "platform.h"
#include "win32_syscalls.h"

namespace platform {
namespace {

HMODULE AsModule(ModuleHandle module) { return static_cast<HMODULE>(module); }

}  // namespace

/*
 * FindResourceById: FindResourceA with the integer identifier, which the
 * loader treats exactly as the name "#101" would be. A null module would
 * search the host's executable, never ours, so it finds nothing instead.
 */
ResourceInfo FindResourceById(ModuleHandle module, int id, const char *type) {
  if (module == nullptr || type == nullptr || id <= 0 || id > 0xFFFF) return nullptr;
  return win32::Sys().FindResourceA(AsModule(module), MAKEINTRESOURCEA(id), type);
}

/* LoadResourceData: LoadResource; null when it fails. */
ResourceData LoadResourceData(ModuleHandle module, ResourceInfo info) {
  if (info == nullptr) return nullptr;
  return win32::Sys().LoadResource(AsModule(module), static_cast<HRSRC>(info));
}

/* LockResourceData: LockResource, the address of the resource's bytes. */
const void *LockResourceData(ResourceData data) {
  if (data == nullptr) return nullptr;
  return win32::Sys().LockResource(static_cast<HGLOBAL>(data));
}

/* ResourceSize: SizeofResource, the byte count as stored. */
uint32_t ResourceSize(ModuleHandle module, ResourceInfo info) {
  if (info == nullptr) return 0;
  return win32::Sys().SizeofResource(AsModule(module), static_cast<HRSRC>(info));
}

/* FreeResourceData: FreeResource. Win32 keeps resources mapped with the
 * module and ignores the call, but older systems did not. */
void FreeResourceData(ResourceData data) {
  if (data != nullptr) win32::Sys().FreeResource(static_cast<HGLOBAL>(data));
}

}  // namespace platform
