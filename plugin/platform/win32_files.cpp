/*
 * The kernel's ANSI file calls, and the C runtime's text-mode stream for
 * the launch script.
 */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "platform.h"
#include "win32_syscalls.h"

namespace platform {

/*
 * PathMatchesEntry: a directory search that is closed at once; any match
 * counts, file or folder, and nothing of it is read.
 */
bool PathMatchesEntry(const char *pattern) {
  if (pattern == nullptr) return false;
  WIN32_FIND_DATAA entry;
  HANDLE search = win32::Sys().FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  win32::Sys().FindClose(search);
  return true;
}

/* DeleteFilePath: DeleteFileA. */
bool DeleteFilePath(const char *path) {
  return path != nullptr && win32::Sys().DeleteFileA(path) != 0;
}

/* MovePath: MoveFileA, which refuses an existing target. */
bool MovePath(const char *from, const char *to) {
  return from != nullptr && to != nullptr && win32::Sys().MoveFileA(from, to) != 0;
}

/*
 * The stream is the C runtime's own FILE opened in text mode, handed out
 * as the opaque TextFile; the runtime turns every "\n" into CR LF on the
 * way out. The mode says "t" outright: with plain "w" msvcrt takes text or
 * binary from _fmode, one variable for the whole process, which the host
 * or any other module in it may have set to binary.
 */
static FILE *StreamOf(TextFile *file) { return reinterpret_cast<FILE *>(file); }

/* OpenTextFileForWriting: fopen(path, "wt"); null when it cannot open. */
TextFile *OpenTextFileForWriting(const char *path) {
  if (path == nullptr) return nullptr;
  return reinterpret_cast<TextFile *>(win32::Sys().fopen(path, "wt"));
}

/* WriteText: fputs, the text as given; its result is not examined. */
void WriteText(TextFile *file, const char *text) {
  if (file == nullptr || text == nullptr) return;
  win32::Sys().fputs(text, StreamOf(file));
}

/* CloseTextFile: fclose, which also flushes. */
void CloseTextFile(TextFile *file) {
  if (file != nullptr) win32::Sys().fclose(StreamOf(file));
}

}  // namespace platform
