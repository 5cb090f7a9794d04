// The system under the plug-in made to fail, said the same way on either
// system. Each platform layer has an adapter (support/posix_faults.cpp,
// windows/win32_faults.cpp) that makes a fault happen by swapping calls in
// that layer's table of system calls, which only the linked-in core reads:
// the shipped library never sees a fault.
#ifndef TESTS_SUPPORT_FAULTS_H
#define TESTS_SUPPORT_FAULTS_H

#ifdef _WIN32
#include "platform/win32_syscalls.h"
namespace layer = platform::win32;
#else
#include <errno.h>

#include <type_traits>

#include "platform/posix_syscalls.h"
namespace layer = platform::posix;

// For the POSIX layer's own calls, which have no Fault: any system call
// that fails, errno set and -1 returned (null or 0 for another R). Generic,
// so that it takes the place of a call of any signature.
template <int kError, typename R = int>
constexpr auto Refuse = [](auto...) -> R {
  errno = kError;
  if constexpr (std::is_same_v<R, int>) return -1;
  return R{};
};
// The spawn calls answer an error number rather than set errno.
template <int kError>
constexpr auto Answer = [](auto...) { return kError; };
#endif

enum class Fault {
  kSearchFindsNothing,   // a directory search finds no entry
  kOpenFails,            // a file cannot be opened
  kDeleteFails,          // a file cannot be deleted
  kMoveFails,            // a file cannot be renamed
  kStartFails,           // the system refuses to start a program
  kStartGivesNoProcess,  // a start is asked for, yet no process comes of it
  kWaitFails,            // a wait on a process fails
};

// The one guard of the table: it puts the table back as it found it when
// it goes. Under Wine it also watches the calls the layer makes from the
// start: every search and process handle it opens must be closed once,
// and every start and wait must ask the way the layer promises.
class Faults {
 public:
  Faults();
  ~Faults() { layer::Sys() = saved_; }
  Faults(const Faults &) = delete;
  Faults &operator=(const Faults &) = delete;

  void Make(Fault fault);
  // Every fault and hook gone; the watch stays.
  void Clear();
  // `hook` runs just before each start the layer asks of the system.
  void BeforeEachStart(void (*hook)());
#ifdef _WIN32
  // Searches and process handles the layer opened and did not close, and
  // closes of handles it had not opened (or had closed already).
  int Unclosed() const;
#endif

 private:
  layer::Syscalls saved_;
};

#endif
