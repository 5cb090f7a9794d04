// The few operating-system calls the command-line host needs beyond the
// C++ library. os_posix.cpp implements them (SHA-256 from OpenSSL's
// libcrypto); os_win32.cpp with _isatty, _putenv_s, a GetTempPath-based
// folder and the system's BCrypt; os_common.cpp what both build on.
#ifndef TOOLS_HOST_OS_H
#define TOOLS_HOST_OS_H

#include <string>
#include <vector>

namespace wolfet_host {
namespace os {

/* True when standard output is a terminal (status lines may redraw). */
bool StdoutIsTerminal();
/* The same for standard error. */
bool StderrIsTerminal();

/* Creates a new, empty, private folder under the system's temporary
 * folder and returns its path without a trailing separator; empty on
 * failure. */
std::string MakeTemporaryFolder(const std::string &prefix);

/* Sets an environment variable for this process and the programs it
 * starts. False when the system refused. */
bool SetEnvironment(const std::string &name, const std::string &value);

/* Where the host keeps its settings, and its kept list and colour, by
 * default: $XDG_CONFIG_HOME and $XDG_STATE_HOME (else ~/.config and
 * ~/.local/state), on Windows %APPDATA% and %LOCALAPPDATA%; each with
 * "wolfet-host" as its last folder. Empty when the system names no such
 * place. */
std::string ConfigFolder();
std::string StateFolder();

/* The home folders of the game's engines, where each keeps what it
 * writes and looks first for what it reads: ~/.etwolf (Wolf ET) and
 * ~/.etlegacy (ET: Legacy); on Windows ET: Legacy's folder in the user's
 * Documents. */
std::vector<std::string> GameHomeFolders();

/* `bytes` bytes from the system's cryptographic random source, in hex;
 * empty when it has none to give. */
std::string RandomHex(size_t bytes);

/* Opens `url` in the desktop's web browser, when there is a desktop and
 * a way to; false otherwise. Returns at once. */
bool OpenInBrowser(const std::string &url);

/* The folder that holds this program's executable, with a trailing
 * separator; empty when the system cannot say. */
std::string ExecutableFolder();

/* What a program file is called here: `name`, plus ".exe" on Windows. */
std::string ProgramFile(const std::string &name);

/* The path separator a folder setting should end with. */
char PathSeparator();

/* True when `path` ends with either system's separator: the plug-in
 * appends file names to a folder as it is. */
bool EndsWithSeparator(const std::string &path);

/* A name beside `target` that no user gives a file: a dot, the target's
 * name, the host's and `what`, and a random tail (".NAME.wolfet-host-new-
 * 0123456789ab"). */
std::string SideName(const std::string &target, const char *what);

/* How one of the host's own files read. A file that is not a regular
 * one (a FIFO, a device, a folder) is not read at all: a FIFO would hold
 * the host until someone writes to it, and a device may never end. */
struct FileRead {
  enum State { kRead, kMissing, kNotRegular, kTooLarge, kUnreadable } state = kMissing;
  std::string bytes;
  std::string why; /* kNotRegular: what it is ("a FIFO"); kUnreadable: the system's reason */
};

/* Reads `path` (through links), refusing to read past `max_bytes`. */
FileRead ReadRegularFile(const std::string &path, size_t max_bytes);

/* What is at `path` when it is no regular file: "a folder", "a FIFO", "a
 * device", "a socket"; empty for a regular file or nothing. */
std::string KindOf(const std::string &path);

/* Replaces `path` with `bytes` whole or not at all: writes a temporary of
 * its own beside it (made new, never one that is there, named so that no
 * user's file is taken for it), flushes and closes it, then renames it
 * over `path`. A symbolic link is followed, so the file it names is the
 * one replaced, and that file keeps its mode (on Windows its attributes
 * and access rights); what is there must be a regular file. On any
 * failure only the temporary is removed, `path` is left as it was and
 * `why`, when given, says what was refused. */
enum class Saved { kYes, kNotWritten, kNotReplaced };
Saved SaveAtomically(const std::string &path, const std::string &bytes, std::string *why = nullptr);

/* An advisory lock (flock; LockFileEx on Windows) on a file of the host's
 * own, held while the object lives, so that two runs never read, change
 * and write the same files at once. The file is made when missing and
 * never removed: a removed lock file could be locked twice. */
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock &) = delete;
  FileLock &operator=(const FileLock &) = delete;

  /* Waits up to `wait_s` seconds for the lock, then writes `me` into the
   * file for others to read. False when it cannot be had: `holder` then
   * holds what the holder wrote (empty when unknown), `why` what the
   * system said when the file could not be opened at all. */
  bool Acquire(const std::string &path, double wait_s, const std::string &me, std::string *holder,
               std::string *why);

 private:
  long long handle_ = -1;
};

/* True when `path` is a regular file this user may run (on Windows, a
 * regular file). */
bool IsRunnableFile(const std::string &path);

/* This process's id, for the lock's holder. */
long ProcessId();

/* Writes `bytes` into a new file of the host's own in `folder` and
 * removes it again: whether the plug-in, which looks at no result, can
 * create a file there and fill it. Empty when it can, else why not. */
std::string TryWriteIn(const std::string &folder, size_t bytes);

/* A path as the plug-in forms it (Windows separators) as this system
 * names it; the plug-in's own platform layer does the same. */
std::string LocalPath(const std::string &plugin_path);

/* The SHA-256 digest of a whole file in lower-case hex, read in pieces so
 * large pak files need no memory of their size. False when it cannot be
 * read. */
bool Sha256File(const std::string &path, std::string *hex);

/* While one lives, the user's stop (Ctrl-C, SIGTERM, a closed terminal's
 * SIGHUP; on Windows Ctrl-C and Ctrl-Break) only raises a flag, so that a wait for the game can end
 * in its own way and put back what the game changed rather than the
 * process dying half-way. The old handling comes back when it goes. */
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals &) = delete;
  StopSignals &operator=(const StopSignals &) = delete;
};

/* The game's standard output and error while a status line shares the
 * terminal with it. Made before the launch with `capture`, it hands the
 * programs started until Started() a pipe instead of the terminal; what
 * comes through is written out by Drain(), after `before` (which clears
 * the status line), so no line of the game's lands beside it. When it goes
 * while the game still holds the pipe (the host stopped waiting early),
 * a small process of its own keeps copying until the game closes it, so
 * the game is never cut off. Windows: nothing is captured (the game is a
 * window program that writes to no console). */
class GameOutput {
 public:
  explicit GameOutput(bool capture);
  ~GameOutput();
  GameOutput(const GameOutput &) = delete;
  GameOutput &operator=(const GameOutput &) = delete;

  /* The host's own output goes back to the terminal. */
  void Started();
  /* Writes out what the game has written so far. */
  template <typename Before>
  void Drain(Before before) {
    if (!Pending()) return;
    before();
    WritePending();
  }
  /* False while the last byte written out for the game ends no line: the
   * status line, which redraws its line from the start, would erase it. */
  bool AtLineStart() const { return at_line_start_; }
  /* Ends the game's last line when it left one open, so that the host's
   * next words start a line of their own. */
  void EndLine();

 private:
  bool Pending();
  void WritePending();

  int read_end_ = -1, saved_out_ = -1, saved_err_ = -1;
  bool at_line_start_ = true;
  bool closed_ = false; /* every writer has closed its end: the game has ended */
  std::string pending_;
};

/* What stopped the wait, such as "Ctrl-C" or "SIGTERM"; null while
 * nothing has. */
const char *StopRequested();

}  // namespace os
}  // namespace wolfet_host

#endif
