/*
 * The POSIX stand-in for DllMain: a constructor that runs when the loader
 * maps the library, after the C++ runtime has started, and reports the
 * module's base address as its handle, as a Windows HMODULE is.
 */
#include <dlfcn.h>

#include "platform.h"
#include "posix_syscalls.h"

namespace {

__attribute__((constructor)) void RecordModuleAtLoad() {
  Dl_info info{};
  static const int kAnchor = 0;
  void *base = platform::posix::Sys().dladdr(&kAnchor, &info) != 0 ? info.dli_fbase : nullptr;
  platform::OnProcessAttach(base);
}

}  // namespace
