/*
 * The POSIX stand-in's resources: the bytes a Windows build carries in its
 * resource section, linked into the library as arrays instead. The build
 * generates the arrays from the same files the .rc names, so both builds
 * hand over identical bytes.
 *
 * Lookups go through one live table that tests linking the plug-in's core
 * may swap, as they swap the system-call table, to make a resource missing
 * or unloadable. The shipped library never changes it.
 */
#ifndef SDLL_PLATFORM_POSIX_RESOURCE_H
#define SDLL_PLATFORM_POSIX_RESOURCE_H

#include <cstddef>
#include <cstdint>

namespace platform {
namespace posix {

struct EmbeddedResource {
  const char *type;           /* the named type, e.g. "CONFIGURATION" */
  int id;                     /* the integer identifier */
  const unsigned char *bytes; /* null: found, but loading it fails */
  uint32_t size;
};

struct ResourceTable {
  const EmbeddedResource *entries;
  size_t count;
};

/* The live table; tests assign it and restore it afterwards. */
ResourceTable &Resources();

/* The table as the build generated it. */
const ResourceTable &EmbeddedResources();

}  // namespace posix
}  // namespace platform

#endif
