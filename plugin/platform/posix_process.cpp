/*
 * The POSIX stand-in for ShellExecuteExA, WaitForSingleObject and
 * CloseHandle on a process.
 *
 * A process handle is a small heap object holding the child's pid and,
 * where the kernel has pidfd_open, a pidfd to wait on. On POSIX only the
 * parent can collect a child's exit, and a child nobody collects stays a
 * zombie: so a wait that sees the end reaps the child at once, and a
 * handle closed while its child still runs is not freed but kept as an
 * orphan, which every later process call tries to reap without blocking.
 *
 * Every record, open or orphaned, is in one list that the records
 * themselves link, so keeping an orphan needs no allocation and cannot
 * fail, and unloading the library can let go of them all: the host never
 * closes the handle of a game still running when it unloads us, and a
 * pidfd or record left behind then would stay in the host's process for
 * good. A game that ends after the unload is the host's child to reap.
 */
#include <errno.h>
#include <limits.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform.h"
#include "posix_syscalls.h"

extern char **environ;

namespace platform {
namespace {

struct Process {
  pid_t pid;
  int pidfd;     /* -1 when the kernel gave none, or once closed */
  bool ended;    /* reaped: the pid is no longer ours */
  bool orphan;   /* its handle was closed while the child still ran */
  Process *next; /* every record we hold */
};

Process *g_processes = nullptr;

/*
 * TryReap: collects the child's exit if it has come, without blocking.
 * ECHILD means the child is no longer ours to collect (the host reaped it
 * itself, or ignores SIGCHLD so the kernel did): the process is gone all
 * the same, so it counts as ended rather than as running for ever.
 */
bool TryReap(Process *process) {
  if (process->ended) return true;
  int status = 0;
  pid_t result;
  do {
    result = posix::Sys().waitpid(process->pid, &status, WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == process->pid || (result < 0 && errno == ECHILD)) process->ended = true;
  return process->ended;
}

void ClosePidfd(Process *process) {
  if (process->pidfd >= 0) posix::Sys().close(process->pidfd);
  process->pidfd = -1;
}

/* Drops every record for which `done` holds, closing its pidfd. */
template <typename Done>
void Forget(Done done) {
  for (Process **link = &g_processes; *link != nullptr;) {
    Process *process = *link;
    if (done(process)) {
      *link = process->next;
      ClosePidfd(process);
      posix::Sys().free(process);
    } else {
      link = &process->next;
    }
  }
}

void ReapOrphans() {
  Forget([](Process *process) { return process->orphan && TryReap(process); });
}

/* The library is being unloaded: collect what has ended, let go of all. */
__attribute__((destructor)) void ForgetAllAtUnload() {
  Forget([](Process *process) {
    TryReap(process);
    return true;
  });
}

/* The parameters as arguments: split on spaces, empty pieces dropped. The
 * command line we are given never quotes anything. */
std::vector<std::string> SplitParameters(const char *parameters) {
  std::vector<std::string> out;
  std::string piece;
  for (const char *c = parameters != nullptr ? parameters : ""; *c != '\0'; ++c) {
    if (*c == ' ') {
      if (!piece.empty()) out.push_back(piece);
      piece.clear();
    } else {
      piece += *c;
    }
  }
  if (!piece.empty()) out.push_back(piece);
  return out;
}

/*
 * A relative program path is taken from the caller's current folder, as
 * the check before the start sees it. posix_spawn would resolve it after
 * changing into the working folder instead, so it is made absolute first.
 * The current folder stays as the system names it, in UTF-8, and is not
 * turned into the code page and back: Windows, too, resolves a relative
 * path against its own current folder, which can hold characters the
 * code page cannot spell.
 */
std::string AbsoluteProgramPath(const std::string &path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[PATH_MAX];
  /* Without our folder the path would be resolved in the working folder,
   * where another program may stand under that name: no start at all. */
  if (posix::Sys().getcwd(cwd, sizeof cwd) == nullptr) return std::string();
  std::string base = cwd;
  if (base.empty() || base.back() != '/') base += '/';
  return base + path;
}

/* poll(2) takes an int of milliseconds, -1 for "no limit" as INFINITE. */
int PollTimeout(uint32_t milliseconds) {
  if (milliseconds == 0xFFFFFFFFu) return -1;
  return milliseconds > static_cast<uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
}

/* The monotonic clock in nanoseconds; false when it cannot be read. */
bool Now(int64_t *nanoseconds) {
  struct timespec now;
  if (posix::Sys().clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  *nanoseconds = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  return true;
}

/* Without a pidfd there is nothing to sleep on: look, nap for at most
 * 1 ms, look again, until the time-out has passed. A clock that cannot be
 * read ends a limited wait after the first look: it could not tell when
 * to stop, and "not yet ended" only has the caller ask again. */
bool WaitBySleeping(Process *process, uint32_t milliseconds) {
  if (TryReap(process)) return true;
  const bool forever = milliseconds == 0xFFFFFFFFu;
  int64_t now = 0;
  if (!forever && !Now(&now)) return false;
  const int64_t deadline = now + static_cast<int64_t>(milliseconds) * 1000000;
  for (;;) {
    const int64_t left = deadline - now;
    if (!forever && left <= 0) return false;
    struct timespec nap = {0, forever || left > 1000000 ? 1000000 : static_cast<long>(left)};
    posix::Sys().nanosleep(&nap, nullptr);
    if (TryReap(process)) return true;
    if (!forever && !Now(&now)) return false;
  }
}

bool IsExecutableFile(const std::string &path) {
  struct stat st;
  if (posix::Sys().stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return posix::Sys().access(path.c_str(), X_OK) == 0;
}

}  // namespace

/*
 * StartProgram: the program with its parameters as arguments, in the
 * working folder (empty: ours); both paths in the code page, as
 * ShellExecuteExA takes them. The program is checked before the start:
 * where the spawn itself cannot tell a missing program (qemu-user reports
 * success and the child then fails), the caller would otherwise get a
 * handle to a process that never ran the game.
 */
ProcessHandle StartProgram(const char *program, const char *parameters, const char *directory) {
  ReapOrphans();
  std::string given, folder;
  if (!posix::ToPosixPath(program, &given) || !posix::ToPosixPath(directory, &folder))
    return nullptr;
  const std::string path = AbsoluteProgramPath(given);
  if (path.empty() || !IsExecutableFile(path)) return nullptr;

  auto *process = static_cast<Process *>(posix::Sys().malloc(sizeof(Process)));
  if (process == nullptr) return nullptr;

  std::vector<std::string> args = SplitParameters(parameters);
  std::vector<char *> argv;
  argv.push_back(const_cast<char *>(path.c_str()));
  for (std::string &arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  int failed = posix::Sys().spawn_file_actions_init(&actions);
  if (failed == 0) {
    if (!folder.empty())
      failed = posix::Sys().spawn_file_actions_addchdir(&actions, folder.c_str());
    pid_t pid = 0;
    if (failed == 0)
      failed = posix::Sys().spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix::Sys().spawn_file_actions_destroy(&actions);
    process->pid = pid;
  }
  if (failed != 0) {
    posix::Sys().free(process);
    return nullptr;
  }

  /* The child cannot be reaped by anyone but us, so its pid stays valid
   * for pidfd_open even if it has already exited. */
  process->pidfd = posix::Sys().pidfd_open(process->pid, 0);
  process->ended = false;
  process->orphan = false;
  process->next = g_processes;
  g_processes = process;
  return process;
}

/*
 * WaitForProcessEnd: true once the child has ended (and is reaped), false
 * when the time-out passes first or the wait fails, as anything other
 * than WAIT_OBJECT_0 is.
 */
bool WaitForProcessEnd(ProcessHandle handle, uint32_t milliseconds) {
  ReapOrphans();
  auto *process = static_cast<Process *>(handle);
  if (process == nullptr) return false;
  if (process->ended) return true;
  if (process->pidfd < 0) return WaitBySleeping(process, milliseconds);
  struct pollfd ready = {process->pidfd, POLLIN, 0};
  const int result = posix::Sys().poll(&ready, 1, PollTimeout(milliseconds));
  if (result <= 0) return false;
  return TryReap(process);
}

/*
 * CloseProcess: the handle goes, the process does not. A child that has
 * ended goes at once; one that still runs stays an orphan until a later
 * call collects its exit. Closing null only gives the orphans their chance.
 */
void CloseProcess(ProcessHandle handle) {
  auto *process = static_cast<Process *>(handle);
  if (process != nullptr) {
    process->orphan = true;
    ClosePidfd(process);
  }
  ReapOrphans();
}

}  // namespace platform
