/*
 * The POSIX stand-ins for the Win32 file calls the plug-in makes.
 * Paths arrive as Windows paths in the ANSI code page and are turned into
 * POSIX ones in UTF-8 here (posix::ToPosixPath), as the ANSI calls turn
 * them into UTF-16 on Windows.
 */
#include <errno.h>
#include <fnmatch.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "platform.h"
#include "posix_syscalls.h"
#include "posix_text.h"

namespace platform {
namespace {

bool HasWildcard(const std::string &name) { return name.find_first_of("*?") != std::string::npos; }

}  // namespace

/*
 * PathMatchesEntry: FindFirstFileA + FindClose. Only the last component
 * may hold wildcards; the folder part is taken as it stands. A pattern
 * that ends in a separator names no entry, as on Windows. Unlike Windows,
 * names compare case-sensitively: the POSIX file system does. A symbolic
 * link is an entry of its own, found even when it points nowhere.
 *
 * A wildcard is matched against each name as the ANSI search reports it,
 * in the code page: a character is one character there, and one the code
 * page lacks is a '?' that only a wildcard matches, as on Windows.
 */
bool PathMatchesEntry(const char *pattern) {
  const std::string windows = pattern != nullptr ? pattern : "";
  const size_t slash = windows.find_last_of("\\/");
  const std::string name = slash == std::string::npos ? windows : windows.substr(slash + 1);
  if (name.empty()) return false;
  std::string path;
  if (!HasWildcard(name)) {
    struct stat st;
    return posix::ToPosixPath(pattern, &path) && posix::Sys().lstat(path.c_str(), &st) == 0;
  }
  const std::string folder =
      slash == std::string::npos ? std::string(".") : windows.substr(0, slash == 0 ? 1 : slash);
  if (!posix::ToPosixPath(folder.c_str(), &path)) return false;
  DIR *dir = posix::Sys().opendir(path.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (!found) {
    struct dirent *entry = posix::Sys().readdir(dir);
    if (entry == nullptr) break;
    found = fnmatch(name.c_str(), posix::Utf8ToAnsi(entry->d_name).c_str(), 0) == 0;
  }
  posix::Sys().closedir(dir);
  return found;
}

/*
 * DeleteFilePath: DeleteFileA removes files only, and refuses a file that
 * carries the read-only attribute. A file with no write bit at all stands
 * for that attribute here; checking the bits rather than access(2) keeps
 * the answer the same when the host runs as root.
 */
bool DeleteFilePath(const char *path) {
  std::string p;
  struct stat st;
  if (!posix::ToPosixPath(path, &p) || posix::Sys().lstat(p.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return posix::Sys().unlink(p.c_str()) == 0;
}

/* MovePath: MoveFileA, which never replaces an existing target. */
bool MovePath(const char *from, const char *to) {
  std::string f, t;
  if (!posix::ToPosixPath(from, &f) || !posix::ToPosixPath(to, &t)) return false;
  return posix::Sys().rename_noreplace(f.c_str(), t.c_str()) == 0;
}

/*
 * The text-mode stream: the C library's own FILE, opened with "w" and
 * handed out as the opaque TextFile. As the Windows C runtime does in text
 * mode, each "\n" goes out as "\r\n".
 */
static FILE *StreamOf(TextFile *file) { return reinterpret_cast<FILE *>(file); }

TextFile *OpenTextFileForWriting(const char *path) {
  std::string p;
  if (!posix::ToPosixPath(path, &p)) return nullptr;
  return reinterpret_cast<TextFile *>(posix::Sys().fopen(p.c_str(), "w"));
}

void WriteText(TextFile *file, const char *text) {
  if (file == nullptr || text == nullptr) return;
  for (const char *run = text; *run != '\0';) {
    const char *newline = strchr(run, '\n');
    size_t length = newline != nullptr ? static_cast<size_t>(newline - run) : strlen(run);
    posix::Sys().fwrite(run, 1, length, StreamOf(file));
    if (newline == nullptr) break;
    posix::Sys().fwrite("\r\n", 1, 2, StreamOf(file));
    run = newline + 1;
  }
}

void CloseTextFile(TextFile *file) {
  if (file != nullptr) posix::Sys().fclose(StreamOf(file));
}

}  // namespace platform
