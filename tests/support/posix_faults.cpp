// The POSIX layer's faults: each Fault as the C library would show it.
#include "support/faults.h"

namespace {

namespace posix = platform::posix;

void (*g_before_start)() = nullptr;

}  // namespace

Faults::Faults() : saved_(posix::Sys()) {}

void Faults::Clear() { posix::Sys() = saved_; }

void Faults::Make(Fault fault) {
  posix::Syscalls &sys = posix::Sys();
  switch (fault) {
    case Fault::kSearchFindsNothing:  // a plain name is looked up, a wildcard searched for
      sys.lstat = Refuse<ENOENT>;
      sys.opendir = Refuse<ENOENT, DIR *>;
      break;
    case Fault::kOpenFails:
      sys.fopen = Refuse<EACCES, FILE *>;
      break;
    case Fault::kDeleteFails:
      sys.unlink = Refuse<EACCES>;
      break;
    case Fault::kMoveFails:
      sys.rename_noreplace = Refuse<EACCES>;
      break;
    case Fault::kStartFails:
      sys.spawn = Answer<EAGAIN>;
      break;
    case Fault::kStartGivesNoProcess:  // et.exe is there, but nothing may run it
      sys.access = Refuse<EACCES>;
      break;
    case Fault::kWaitFails:  // on the pidfd, and without one
      sys.poll = Refuse<EINVAL>;
      sys.waitpid = Refuse<EINVAL, pid_t>;
      break;
  }
}

void Faults::BeforeEachStart(void (*hook)()) {
  g_before_start = hook;
  posix::Sys().spawn = [](auto... spawn) {
    g_before_start();
    return posix_spawn(spawn...);
  };
}
