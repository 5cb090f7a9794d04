/*
 * Starting the game through the shell and watching its process handle.
 */
#include <windows.h>
/* after windows.h, which it needs */
#include <shellapi.h>

#include "platform.h"
#include "win32_syscalls.h"

namespace platform {

#if defined(__i386__) || defined(_M_IX86)
/* The structure the 32-bit shell expects: its size is the version check. */
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "SHELLEXECUTEINFOA of 32-bit Windows");
#endif

/*
 * StartProgram: ShellExecuteExA with SEE_MASK_NOCLOSEPROCESS alone, so the
 * shell hands back the new process's handle and still shows its own
 * message when the start fails. hProcess is null going in and is returned
 * whatever the BOOL result says: the shell leaves it null when no process
 * was started, which is all the caller needs to know.
 */
ProcessHandle StartProgram(const char *program, const char *parameters, const char *directory) {
  SHELLEXECUTEINFOA info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = NULL;
  info.lpVerb = NULL;
  info.lpFile = program;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = SW_SHOW;
  info.hProcess = NULL;
  (void)win32::Sys().ShellExecuteExA(&info);
  return static_cast<ProcessHandle>(info.hProcess);
}

/* WaitForProcessEnd: WAIT_OBJECT_0 only; a time-out and a failed wait both
 * mean "not ended". */
bool WaitForProcessEnd(ProcessHandle process, uint32_t milliseconds) {
  if (process == nullptr) return false;
  return win32::Sys().WaitForSingleObject(static_cast<HANDLE>(process), milliseconds) ==
         WAIT_OBJECT_0;
}

/* CloseProcess: CloseHandle; the game keeps running if it still does. */
void CloseProcess(ProcessHandle process) {
  if (process != nullptr) win32::Sys().CloseHandle(static_cast<HANDLE>(process));
}

}  // namespace platform
