/*
 * The POSIX stand-ins for the Win32 file calls the plug-in makes.
 * Paths arrive as Windows paths and are turned into POSIX ones here.
 */
#include <errno.h>
#include <fnmatch.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "platform.h"
#include "posix_syscalls.h"

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
 */
bool PathMatchesEntry(const char *pattern) {
  const std::string path = posix::ToPosixPath(pattern);
  if (path.empty() || path.back() == '/') return false;
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!HasWildcard(name)) {
    struct stat st;
    return posix::Sys().lstat(path.c_str(), &st) == 0;
  }
  const std::string folder =
      slash == std::string::npos ? std::string(".") : (slash == 0 ? "/" : path.substr(0, slash));
  DIR *dir = posix::Sys().opendir(folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (!found) {
    struct dirent *entry = posix::Sys().readdir(dir);
    if (entry == nullptr) break;
    found = fnmatch(name.c_str(), entry->d_name, 0) == 0;
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
  const std::string p = posix::ToPosixPath(path);
  struct stat st;
  if (posix::Sys().lstat(p.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return posix::Sys().unlink(p.c_str()) == 0;
}

/* MovePath: MoveFileA, which never replaces an existing target. */
bool MovePath(const char *from, const char *to) {
  const std::string f = posix::ToPosixPath(from);
  const std::string t = posix::ToPosixPath(to);
  return posix::Sys().rename_noreplace(f.c_str(), t.c_str()) == 0;
}

/*
 * The text-mode stream: the C library's own FILE, opened with "w" and
 * handed out as the opaque TextFile. As the Windows C runtime does in text
 * mode, each "\n" goes out as "\r\n".
 */
static FILE *StreamOf(TextFile *file) { return reinterpret_cast<FILE *>(file); }

TextFile *OpenTextFileForWriting(const char *path) {
  const std::string p = posix::ToPosixPath(path);
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
