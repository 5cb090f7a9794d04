/*
 * The POSIX stand-in's system-call table and the helpers every posix_*.cpp
 * file shares.
 */
#include "posix_syscalls.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "posix_text.h"

namespace platform {
namespace posix {
namespace {

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

/*
 * RenameNoReplace: MoveFileA never replaces an existing target. Linux has
 * that as renameat2(RENAME_NOREPLACE); where the kernel or the file system
 * refuses the flag (old kernels, some network and FUSE file systems,
 * qemu-user), a hard link followed by an unlink gives the same answer for
 * files, and a check before rename(2) does for folders, which cannot be
 * linked. The fallback is not atomic against other programs; neither is
 * the caller's test-then-act sequence.
 */
int RenameNoReplace(const char *from, const char *to) {
#ifdef SYS_renameat2
  if (syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
#endif
  if (link(from, to) == 0) return unlink(from);
  if (errno == EEXIST) return -1;
  struct stat st;
  if (lstat(to, &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return rename(from, to);
}

int Stat(const char *path, struct stat *st) { return stat(path, st); }
int Lstat(const char *path, struct stat *st) { return lstat(path, st); }

int PidfdOpen(pid_t pid, unsigned int flags) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, flags));
#else
  (void)pid;
  (void)flags;
  errno = ENOSYS;
  return -1;
#endif
}

const Syscalls kDefault = {
    malloc,
    free,
    Stat,
    Lstat,
    opendir,
    readdir,
    closedir,
    unlink,
    RenameNoReplace,
    fopen,
    access,
    posix_spawn,
    PidfdOpen,
    poll,
    waitpid,
    nanosleep,
    close,
    rename,
    fwrite,
    fgets,
    fclose,
    getcwd,
    getenv,
    getuid,
    getpid,
    clock_gettime,
    posix_spawn_file_actions_init,
    posix_spawn_file_actions_addchdir_np,
    posix_spawn_file_actions_destroy,
    dladdr,
};

}  // namespace

const Syscalls &DefaultSyscalls() { return kDefault; }

Syscalls &Sys() {
  static Syscalls live = kDefault;
  return live;
}

bool ToPosixPath(const char *windows_path, std::string *posix_path) {
  std::string path = windows_path != nullptr ? windows_path : "";
  if (path.find_first_of("*?") != std::string::npos) return false;
  for (char &c : path)
    if (c == '\\') c = '/';
  *posix_path = AnsiToUtf8(path);
  return true;
}

}  // namespace posix
}  // namespace platform
