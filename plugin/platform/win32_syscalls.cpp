/*
 * The Win32 layer's call table as the DLL ships it.
 */
#include "win32_syscalls.h"

namespace platform {
namespace win32 {
namespace {

/* The names stand for the import library's jump stubs, whose addresses
 * are fixed at link time: the table is plain initialised data, set up by
 * no start-up code and needing nothing of the C++ runtime. */
const Syscalls kDefault = {
    FindFirstFileA, FindClose,       DeleteFileA,         MoveFileA,     fopen,        fputs,
    fclose,         ShellExecuteExA, WaitForSingleObject, CloseHandle,   GetSysColor,  SetSysColors,
    CoTaskMemAlloc, CoTaskMemFree,   CoGetMalloc,         FindResourceA, LoadResource, LockResource,
    SizeofResource, FreeResource,    WideCharToMultiByte,
};

}  // namespace

Syscalls g_live = kDefault;

const Syscalls &DefaultSyscalls() { return kDefault; }

}  // namespace win32
}  // namespace platform
