/*
 * The Win32 layer's call table as the DLL ships it.
 */
#include "win32_syscalls.h"

namespace platform {
namespace win32 {
namespace {

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
