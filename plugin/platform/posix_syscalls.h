/*
 * The system calls the POSIX stand-in makes, reached through one table so
 * that tests linking the plug-in's core can swap any of them for a failing
 * or recording version (fault injection, in the manner of SQLite's
 * os_unix.c). The shipped library never changes the table. Every C
 * library call of posix_*.cpp that touches the system (files, streams,
 * processes, the environment, the clock) is in it; pure functions on
 * memory (strtol, fnmatch, snprintf, feof) are not.
 */
#ifndef SDLL_PLATFORM_POSIX_SYSCALLS_H
#define SDLL_PLATFORM_POSIX_SYSCALLS_H

#include <dirent.h>
#include <dlfcn.h>
#include <poll.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <string>

namespace platform {
namespace posix {

struct Syscalls {
  void *(*malloc)(size_t);
  void (*free)(void *);
  int (*stat)(const char *, struct stat *);
  /* stat(2) of a symbolic link itself: a directory search finds the link */
  int (*lstat)(const char *, struct stat *);
  DIR *(*opendir)(const char *);
  struct dirent *(*readdir)(DIR *);
  int (*closedir)(DIR *);
  int (*unlink)(const char *);
  /* rename(2) that fails with EEXIST rather than replace its target */
  int (*rename_noreplace)(const char *, const char *);
  FILE *(*fopen)(const char *, const char *);
  int (*access)(const char *, int);
  int (*spawn)(pid_t *, const char *, const posix_spawn_file_actions_t *, const posix_spawnattr_t *,
               char *const[], char *const[]);
  /* pidfd_open(2); -1 with ENOSYS where the kernel lacks it */
  int (*pidfd_open)(pid_t, unsigned int);
  int (*poll)(struct pollfd *, nfds_t, int);
  pid_t (*waitpid)(pid_t, int *, int);
  int (*nanosleep)(const struct timespec *, struct timespec *);
  int (*close)(int);
  /* rename(2), replacing its target */
  int (*rename)(const char *, const char *);
  size_t (*fwrite)(const void *, size_t, size_t, FILE *);
  char *(*fgets)(char *, int, FILE *);
  int (*fclose)(FILE *);
  char *(*getcwd)(char *, size_t);
  char *(*getenv)(const char *);
  uid_t (*getuid)();
  pid_t (*getpid)();
  int (*clock_gettime)(clockid_t, struct timespec *);
  int (*spawn_file_actions_init)(posix_spawn_file_actions_t *);
  /* posix_spawn_file_actions_addchdir_np: the child's working folder */
  int (*spawn_file_actions_addchdir)(posix_spawn_file_actions_t *, const char *);
  int (*spawn_file_actions_destroy)(posix_spawn_file_actions_t *);
  /* the module's own base address, asked once at load */
  int (*dladdr)(const void *, Dl_info *);
};

/* The live table; tests assign members and restore them afterwards. */
Syscalls &Sys();

/* The table as the library ships it. */
const Syscalls &DefaultSyscalls();

/* A Windows path in the ANSI code page as the POSIX one the system takes:
 * every backslash becomes '/', and the text UTF-8 (posix_text.h). False
 * when the path holds a '*' or a '?': no Windows name can, so on Windows
 * such a path names nothing, and here it must not reach a file that
 * happens to be called so. That is also what becomes of a name the code
 * page cannot spell: the host's text reached the plug-in with a '?' for
 * each such character, as Windows' converter gives it, and the file is
 * not found, as on Windows. A null path is the empty one. */
bool ToPosixPath(const char *windows_path, std::string *posix_path);

}  // namespace posix
}  // namespace platform

#endif
