/*
 * The system calls the POSIX stand-in makes, reached through one table so
 * that tests linking the plug-in's core can swap any of them for a failing
 * or recording version (fault injection, in the manner of SQLite's
 * os_unix.c). The shipped library never changes the table.
 */
#ifndef SDLL_PLATFORM_POSIX_SYSCALLS_H
#define SDLL_PLATFORM_POSIX_SYSCALLS_H

#include <dirent.h>
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
};

/* The live table; tests assign members and restore them afterwards. */
Syscalls &Sys();

/* The table as the library ships it. */
const Syscalls &DefaultSyscalls();

/* A Windows path as a POSIX one: every backslash becomes '/'. */
std::string ToPosixPath(const char *windows_path);

}  // namespace posix
}  // namespace platform

#endif
