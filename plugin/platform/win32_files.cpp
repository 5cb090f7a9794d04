/*
 * The kernel's ANSI file calls, and the C runtime's text-mode stream for
 * the launch script.
 */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "platform.h"

namespace platform {

/*
 * PathMatchesEntry: a directory search that is closed at once; any match
 * counts, file or folder, and nothing of it is read.
 */
bool PathMatchesEntry(const char *pattern) {
  if (pattern == nullptr) return false;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

/* DeleteFilePath: DeleteFileA. */
bool DeleteFilePath(const char *path) { return path != nullptr && DeleteFileA(path) != 0; }

/* MovePath: MoveFileA, which refuses an existing target. */
bool MovePath(const char *from, const char *to) {
  return from != nullptr && to != nullptr && MoveFileA(from, to) != 0;
}

/*
 * The stream is the C runtime's own FILE opened in text mode ("w", no
 * "b"), so the runtime turns every "\n" into CR LF on the way out.
 */
struct TextFile {
  FILE *stream;
};

/* OpenTextFileForWriting: fopen(path, "w"); null when it cannot open. */
TextFile *OpenTextFileForWriting(const char *path) {
  if (path == nullptr) return nullptr;
  FILE *stream = fopen(path, "w");
  if (stream == nullptr) return nullptr;
  TextFile *file = static_cast<TextFile *>(malloc(sizeof(TextFile)));
  if (file == nullptr) {
    fclose(stream);
    return nullptr;
  }
  file->stream = stream;
  return file;
}

/* WriteText: fputs, the text as given; its result is not examined. */
void WriteText(TextFile *file, const char *text) {
  if (file == nullptr || text == nullptr) return;
  fputs(text, file->stream);
}

/* CloseTextFile: fclose, which also flushes. */
void CloseTextFile(TextFile *file) {
  if (file == nullptr) return;
  fclose(file->stream);
  free(file);
}

}  // namespace platform
