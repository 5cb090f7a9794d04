/*
 * The POSIX stand-ins for the kernel's resource calls, over the table of
 * resources the build linked in (posix_resource.h).
 */
#include "posix_resource.h"

#include "platform.h"

namespace platform {
namespace posix {

/* Defined in the source the build generates from the resource files. */
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

const ResourceTable &EmbeddedResources() {
  static const ResourceTable table = {kEmbeddedResources, kEmbeddedResourceCount};
  return table;
}

ResourceTable &Resources() {
  static ResourceTable live = EmbeddedResources();
  return live;
}

}  // namespace posix

namespace {

/* Resource type names compare without regard to ASCII case, as the
 * loader's do (it keeps them upper-cased). */
bool SameTypeName(const char *a, const char *b) {
  for (;; ++a, ++b) {
    char ca = *a >= 'a' && *a <= 'z' ? static_cast<char>(*a - 'a' + 'A') : *a;
    char cb = *b >= 'a' && *b <= 'z' ? static_cast<char>(*b - 'a' + 'A') : *b;
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
}

const posix::EmbeddedResource *AsEntry(ResourceInfo info) {
  return static_cast<const posix::EmbeddedResource *>(info);
}

}  // namespace

/*
 * FindResourceById: only our own module carries resources here, so any
 * module handle but null searches the table; null would mean the host's
 * executable on Windows and finds nothing, as there.
 */
ResourceInfo FindResourceById(ModuleHandle module, int id, const char *type) {
  if (module == nullptr || type == nullptr) return nullptr;
  const posix::ResourceTable &table = posix::Resources();
  if (table.entries == nullptr) return nullptr;
  for (size_t i = 0; i < table.count; ++i) {
    const posix::EmbeddedResource &entry = table.entries[i];
    if (entry.id == id && entry.type != nullptr && SameTypeName(entry.type, type))
      return const_cast<posix::EmbeddedResource *>(&entry);
  }
  return nullptr;
}

/* LoadResourceData: the bytes themselves stand for the loaded resource. */
ResourceData LoadResourceData(ModuleHandle, ResourceInfo info) {
  if (info == nullptr) return nullptr;
  return const_cast<unsigned char *>(AsEntry(info)->bytes);
}

const void *LockResourceData(ResourceData data) { return data; }

uint32_t ResourceSize(ModuleHandle, ResourceInfo info) {
  return info != nullptr ? AsEntry(info)->size : 0;
}

/* Nothing was allocated by the load. */
void FreeResourceData(ResourceData) {}

}  // namespace platform
