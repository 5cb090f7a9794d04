/*
 * The narrow layer between the plug-in and the operating system.
 *
 * Every call is named by what the plug-in needs, not by the system call
 * that provides it. win32_*.cpp implements it with the Win32 calls the
 * host's platform offers; posix_*.cpp stands in for them on Linux so the
 * same plug-in runs under test there. Paths given to this layer are always
 * Windows paths ("etmain\launch.cfg") in the ANSI code page: the POSIX side
 * turns each backslash into '/' and the text into UTF-8 before it touches
 * the file system, as the ANSI calls turn it into UTF-16 on Windows.
 *
 * Nothing outside platform/ knows which system it runs on.
 */
#ifndef SDLL_PLATFORM_PLATFORM_H
#define SDLL_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>

namespace platform {

/* ---- module -------------------------------------------------------- */

/* The plug-in's own module, recorded by the DLL entry (DllMain at process
 * attach on Windows, a library constructor on POSIX). */
typedef void *ModuleHandle;

/* Called by the platform's DLL entry; defined by the host boundary. */
void OnProcessAttach(ModuleHandle module);

/* ---- task memory (CoTaskMemAlloc / CoTaskMemFree) ---------------------- */

void *TaskAlloc(size_t bytes);
void TaskFree(void *block);
/* Size a block was allocated with (IMalloc::GetSize); 0 for null. Lets a
 * host in the same process see what the plug-in allocated. */
size_t TaskSize(const void *block);

/* ---- text ---------------------------------------------------------------- */

/* WideCharToMultiByte(CP_ACP, 0, text, units, out, capacity, NULL, NULL):
 * converts exactly `units` UTF-16 code units into the system ANSI code
 * page, characters it lacks becoming its default character. Returns the
 * bytes written, or 0 when `out` is too small or the arguments are bad. */
int WideToAnsi(const char16_t *text, int units, char *out, int capacity);

/* ---- resources ----------------------------------------------------------- */

typedef void *ResourceInfo;  /* FindResourceA result, null when missing */
typedef void *ResourceData;  /* LoadResource result, null when it failed */

ResourceInfo FindResourceById(ModuleHandle module, int id, const char *type);
ResourceData LoadResourceData(ModuleHandle module, ResourceInfo info);
const void *LockResourceData(ResourceData data);
uint32_t ResourceSize(ModuleHandle module, ResourceInfo info);
void FreeResourceData(ResourceData data);

/* ---- files ----------------------------------------------------------------- */

/* A directory search for `pattern` (FindFirstFileA + FindClose): true when
 * at least one entry matches, file or folder alike; '*' and '?' in the last
 * path component are wildcards. */
bool PathMatchesEntry(const char *pattern);

/* DeleteFileA: removes a file; fails for a folder or a read-only file. */
bool DeleteFilePath(const char *path);

/* MoveFileA: renames a file or folder; never replaces an existing target. */
bool MovePath(const char *from, const char *to);

/* A text-mode output stream opened with mode "w": created or emptied, and
 * every "\n" written reaches the disk as CR LF. Null when it cannot open. */
struct TextFile;
TextFile *OpenTextFileForWriting(const char *path);
void WriteText(TextFile *file, const char *text);
void CloseTextFile(TextFile *file);

/* ---- processes -------------------------------------------------------------- */

typedef void *ProcessHandle;

/* ShellExecuteExA with SEE_MASK_NOCLOSEPROCESS and SW_SHOW: starts
 * `program` with `parameters` in `directory` (empty: the current folder).
 * Null when no process was started. */
ProcessHandle StartProgram(const char *program, const char *parameters, const char *directory);

/* WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0: true once the
 * process has ended, false while it runs or when the wait fails. */
bool WaitForProcessEnd(ProcessHandle process, uint32_t milliseconds);

/* CloseHandle: the process is no longer watched; it is not stopped. */
void CloseProcess(ProcessHandle process);

/* ---- desktop colours -------------------------------------------------------- */

enum : int { kColourHighlight = 13 }; /* COLOR_HIGHLIGHT */

/* GetSysColor / SetSysColors for one element; colours are 0x00BBGGRR. */
uint32_t GetSystemColour(int element);
void SetSystemColour(int element, uint32_t colour);

}  // namespace platform

#endif
