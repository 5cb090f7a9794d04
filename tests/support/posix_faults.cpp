// The POSIX layer's faults, each as the C library would show it.
#include "support/faults.h"

namespace {

namespace posix = platform::posix;
using Sys = posix::Syscalls;

// In the order of Fault.
void (*const kMake[])(Sys &) = {
    [](Sys &sys) {  // a plain name is looked up, a wildcard searched for
      sys.lstat = Refuse<ENOENT>;
      sys.opendir = Refuse<ENOENT, DIR *>;
    },
    [](Sys &sys) { sys.fopen = Refuse<EACCES, FILE *>; },
    [](Sys &sys) { sys.unlink = Refuse<EACCES>; },
    [](Sys &sys) { sys.rename_noreplace = Refuse<EACCES>; },
    [](Sys &sys) { sys.spawn = Answer<EAGAIN>; },
    [](Sys &sys) { sys.access = Refuse<EACCES>; },  // et.exe is there, but may not be run
    [](Sys &sys) {                                  // on a pidfd, and by looking
      sys.poll = Refuse<EINVAL>;
      sys.waitpid = Refuse<EINVAL, pid_t>;
    },
};
static_assert(std::size(kMake) == static_cast<size_t>(Fault::kWaitFails) + 1, "one per Fault");

void (*g_before_start)() = nullptr;

}  // namespace

Faults::Faults() : saved_(posix::Sys()) {}

void Faults::Make(Fault fault) { kMake[static_cast<size_t>(fault)](posix::Sys()); }

void Faults::Clear() { posix::Sys() = saved_; }

void Faults::BeforeEachStart(void (*hook)()) {
  g_before_start = hook;
  posix::Sys().spawn = [](auto... spawn) {
    g_before_start();
    return posix_spawn(spawn...);
  };
}
