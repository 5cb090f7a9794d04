// The Win32 layer's faults, each as the kernel, the shell or the C runtime
// would show it, and the watch on the calls the layer makes. The layer
// never asks why a call failed, so no failure sets an error code.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/faults.h"

namespace {

namespace win32 = platform::win32;

struct Watched {
  std::vector<HANDLE> searches, processes;  // open
  int stray_closes = 0;
  void (*before_start)() = nullptr;
} g_watch;

const win32::Syscalls &Real() { return win32::DefaultSyscalls(); }

void Closing(std::vector<HANDLE> &open, HANDLE handle) {
  const auto found = std::find(open.begin(), open.end(), handle);
  if (found == open.end())
    ++g_watch.stray_closes;
  else
    open.erase(found);
}

HANDLE WINAPI WatchedFind(LPCSTR pattern, LPWIN32_FIND_DATAA entry) {
  const HANDLE search = Real().FindFirstFileA(pattern, entry);
  if (search != INVALID_HANDLE_VALUE) g_watch.searches.push_back(search);
  return search;
}
BOOL WINAPI WatchedFindClose(HANDLE search) {
  Closing(g_watch.searches, search);
  return Real().FindClose(search);
}

// How every start asks the shell, whatever the shell then does; what it
// starts, where and with what, the game itself reports.
void ExpectAskedAsPromised(const SHELLEXECUTEINFOA &asked) {
  EXPECT_EQ(asked.cbSize, 60u) << "the 32-bit structure's size";
  EXPECT_EQ(asked.fMask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS))
      << "a handle, and no other flag";
  EXPECT_EQ(asked.hwnd, nullptr) << "no owner window";
  EXPECT_EQ(asked.lpVerb, nullptr) << "the default verb";
  EXPECT_EQ(asked.nShow, SW_SHOW) << "shown";
  EXPECT_EQ(asked.hProcess, nullptr) << "hProcess is null going in";
}
BOOL WINAPI WatchedStart(SHELLEXECUTEINFOA *asked) {
  ExpectAskedAsPromised(*asked);
  if (g_watch.before_start != nullptr) g_watch.before_start();
  const BOOL answer = Real().ShellExecuteExA(asked);
  if (asked->hProcess != nullptr) g_watch.processes.push_back(asked->hProcess);
  return answer;
}
// A start that admits failure (FALSE), or claims success yet gives no handle.
template <BOOL kAnswer>
BOOL WINAPI StartNothing(SHELLEXECUTEINFOA *asked) {
  ExpectAskedAsPromised(*asked);
  return kAnswer;
}

DWORD WINAPI WatchedWait(HANDLE process, DWORD milliseconds) {
  EXPECT_EQ(milliseconds, 1u) << "each poll waits 1 ms";
  EXPECT_EQ(std::count(g_watch.processes.begin(), g_watch.processes.end(), process), 1)
      << "on the started game's open handle";
  return Real().WaitForSingleObject(process, milliseconds);
}
BOOL WINAPI WatchedClose(HANDLE handle) {
  Closing(g_watch.processes, handle);
  return Real().CloseHandle(handle);
}

HANDLE WINAPI FindNothing(LPCSTR, LPWIN32_FIND_DATAA) { return INVALID_HANDLE_VALUE; }
template <typename... A>
BOOL WINAPI Refuse(A...) {
  return FALSE;
}
DWORD WINAPI WaitFails(HANDLE, DWORD) { return WAIT_FAILED; }

using Sys = win32::Syscalls;

void WatchCalls(Sys &sys) {
  sys.FindFirstFileA = &WatchedFind;
  sys.FindClose = &WatchedFindClose;
  sys.ShellExecuteExA = &WatchedStart;
  sys.WaitForSingleObject = &WatchedWait;
  sys.CloseHandle = &WatchedClose;
}

// In the order of Fault.
void (*const kMake[])(Sys &) = {
    [](Sys &sys) { sys.FindFirstFileA = &FindNothing; },
    [](Sys &sys) { sys.fopen = [](const char *, const char *) -> FILE * { return nullptr; }; },
    [](Sys &sys) { sys.DeleteFileA = &Refuse<LPCSTR>; },
    [](Sys &sys) { sys.MoveFileA = &Refuse<LPCSTR, LPCSTR>; },
    [](Sys &sys) { sys.ShellExecuteExA = &StartNothing<FALSE>; },
    [](Sys &sys) { sys.ShellExecuteExA = &StartNothing<TRUE>; },
    [](Sys &sys) { sys.WaitForSingleObject = &WaitFails; },
};
static_assert(std::size(kMake) == static_cast<size_t>(Fault::kWaitFails) + 1, "one per Fault");

}  // namespace

Faults::Faults() : saved_(win32::Sys()) {
  g_watch = Watched();
  WatchCalls(win32::Sys());
}

void Faults::Make(Fault fault) { kMake[static_cast<size_t>(fault)](win32::Sys()); }

void Faults::Clear() {
  win32::Sys() = saved_;
  g_watch.before_start = nullptr;
  WatchCalls(win32::Sys());
}

void Faults::BeforeEachStart(void (*hook)()) { g_watch.before_start = hook; }

int Faults::Unclosed() const {
  return static_cast<int>(g_watch.searches.size() + g_watch.processes.size()) +
         g_watch.stray_closes;
}
