/*
 * The Win32 and C-runtime calls the Win32 layer makes, reached through one
 * table so that tests linking the plug-in's core can swap any of them for
 * a failing or recording version, as the POSIX stand-in's table allows.
 * Each member has the exact type and calling convention of the call it
 * stands for: the kernel's, the shell's and COM's are WINAPI (stdcall),
 * the C runtime's cdecl. The shipped DLL never changes the table.
 *
 * Every result is turned into the answer platform.h promises in one place,
 * the win32_*.cpp function that makes the call, and no other code looks at
 * a Win32 result. Where Win32 leaves a choice, it is made there once: a
 * search handle of INVALID_HANDLE_VALUE is "no entry"; only WAIT_OBJECT_0
 * is "ended", WAIT_TIMEOUT and WAIT_FAILED alike are not; the shell's
 * hProcess is taken whatever its BOOL says (null: no process); a FAILED()
 * allocator or a size of -1 is 0. GetLastError is never read: no caller
 * tells one failure from another.
 */
#ifndef SDLL_PLATFORM_WIN32_SYSCALLS_H
#define SDLL_PLATFORM_WIN32_SYSCALLS_H

#include <stdio.h>
#include <windows.h>
/* after windows.h, which they need */
#include <objbase.h>
#include <shellapi.h>

namespace platform {
namespace win32 {

struct Syscalls {
  /* files */
  HANDLE(WINAPI *FindFirstFileA)(LPCSTR, LPWIN32_FIND_DATAA);
  BOOL(WINAPI *FindClose)(HANDLE);
  BOOL(WINAPI *DeleteFileA)(LPCSTR);
  BOOL(WINAPI *MoveFileA)(LPCSTR, LPCSTR);
  FILE *(__cdecl *fopen)(const char *, const char *);
  int(__cdecl *fputs)(const char *, FILE *);
  int(__cdecl *fclose)(FILE *);
  /* processes */
  BOOL(WINAPI *ShellExecuteExA)(SHELLEXECUTEINFOA *);
  DWORD(WINAPI *WaitForSingleObject)(HANDLE, DWORD);
  BOOL(WINAPI *CloseHandle)(HANDLE);
  /* desktop colours */
  DWORD(WINAPI *GetSysColor)(int);
  BOOL(WINAPI *SetSysColors)(int, const INT *, const COLORREF *);
  /* task memory */
  LPVOID(WINAPI *CoTaskMemAlloc)(SIZE_T);
  void(WINAPI *CoTaskMemFree)(LPVOID);
  HRESULT(WINAPI *CoGetMalloc)(DWORD, LPMALLOC *);
  /* resources */
  HRSRC(WINAPI *FindResourceA)(HMODULE, LPCSTR, LPCSTR);
  HGLOBAL(WINAPI *LoadResource)(HMODULE, HRSRC);
  LPVOID(WINAPI *LockResource)(HGLOBAL);
  DWORD(WINAPI *SizeofResource)(HMODULE, HRSRC);
  BOOL(WINAPI *FreeResource)(HGLOBAL);
  /* text */
  int(WINAPI *WideCharToMultiByte)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);
};

/* The live table: a plain object rather than a function's static, which
 * would need the C++ runtime's guard for its first use. */
extern Syscalls g_live;

/* The live table; tests assign members and restore them afterwards. */
inline Syscalls &Sys() { return g_live; }

/* The table as the DLL ships it. */
const Syscalls &DefaultSyscalls();

}  // namespace win32
}  // namespace platform

#endif
