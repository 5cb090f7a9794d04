#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "os.h"
#include "text.h"

namespace wolfet_host {
namespace os {

bool StdoutIsTerminal() { return isatty(fileno(stdout)) == 1; }
bool StderrIsTerminal() { return isatty(fileno(stderr)) == 1; }

std::string MakeTemporaryFolder(const std::string &prefix) {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) base = "/tmp";
  std::string pattern = (base / (prefix + "XXXXXX")).string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) return std::string();
  return std::string(buffer.data());
}

bool SetEnvironment(const std::string &name, const std::string &value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

namespace {

/* The file a chain of symbolic links ends at (or `path` itself); empty
 * when the chain loops. A link's relative target is read from the link's
 * own folder, as the system reads it. */
std::string SaveTarget(const std::string &path) {
  std::filesystem::path target = path;
  for (int links = 0; links < 40; ++links) {
    struct stat status;
    if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return target.string();
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) return target.string();
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return std::string();
}

bool WriteAll(int descriptor, const std::string &bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

Saved Refused(Saved saved, std::string *why, const std::string &reason) {
  if (why != nullptr) *why = reason;
  return saved;
}

std::string Kind(mode_t mode) {
  if (S_ISREG(mode)) return "";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "no regular file";
}

/* A new file of ours, never one that is there: O_EXCL refuses any name
 * taken, a link's too. */
int CreateOwn(const std::string &target, const char *what, std::string *name) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    *name = SideName(target, what);
    const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

/* Mode and owner of the file replaced go to its replacement. Only root
 * can give a file away; as anyone else the owner is this user already. */
bool KeepModeAndOwner(int fd, const struct stat &before) {
  if (fchmod(fd, before.st_mode & 07777) != 0) return false;
  if (before.st_uid == geteuid() && before.st_gid == getegid()) return true;
  return fchown(fd, before.st_uid, before.st_gid) == 0 || geteuid() != 0;
}

}  // namespace

std::string KindOf(const std::string &path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? Kind(status.st_mode) : std::string();
}

FileRead ReadRegularFile(const std::string &path, size_t max_bytes) {
  FileRead read;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    read.state = errno == ENOENT ? FileRead::kMissing : FileRead::kUnreadable;
    read.why = std::strerror(errno);
    return read;
  }
  struct stat status;
  if (fstat(fd, &status) != 0) {
    read = {FileRead::kUnreadable, "", std::strerror(errno)};
  } else if (!S_ISREG(status.st_mode)) {
    read = {FileRead::kNotRegular, "", Kind(status.st_mode)};
  }
  if (read.state != FileRead::kMissing) {
    close(fd);
    return read;
  }
  read.state = FileRead::kRead;
  char piece[1 << 14];
  for (;;) {
    const ssize_t got = ::read(fd, piece, sizeof piece);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      read = {FileRead::kUnreadable, "", std::strerror(errno)};
      break;
    }
    if (got == 0) break;
    if (read.bytes.size() + static_cast<size_t>(got) > max_bytes) {
      read = {FileRead::kTooLarge, "", ""};
      break;
    }
    read.bytes.append(piece, static_cast<size_t>(got));
  }
  close(fd);
  return read;
}

Saved SaveAtomically(const std::string &path, const std::string &bytes, std::string *why) {
  const std::string target = SaveTarget(path);
  if (target.empty()) return Refused(Saved::kNotWritten, why, std::strerror(ELOOP));
  struct stat before;
  const bool existed = stat(target.c_str(), &before) == 0;
  if (existed && !S_ISREG(before.st_mode))
    return Refused(Saved::kNotWritten, why,
                   "it is " + Kind(before.st_mode) + ", not a regular file");
  /* rename(2) would replace a file the user made read-only. */
  if (existed && access(target.c_str(), W_OK) != 0)
    return Refused(Saved::kNotWritten, why, "it is read-only");
  std::string temporary;
  const int out = CreateOwn(target, "new", &temporary);
  if (out < 0) return Refused(Saved::kNotWritten, why, std::strerror(errno));
  bool written = WriteAll(out, bytes) && (!existed || KeepModeAndOwner(out, before));
  written = written && fsync(out) == 0;
  const int write_error = errno;
  written = close(out) == 0 && written;
  if (!written) {
    unlink(temporary.c_str());
    return Refused(Saved::kNotWritten, why, std::strerror(write_error != 0 ? write_error : EIO));
  }
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return Refused(Saved::kNotReplaced, why, std::strerror(error));
  }
  return Saved::kYes;
}

FileLock::~FileLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool FileLock::Acquire(const std::string &path, double wait_s, const std::string &me,
                       std::string *holder, std::string *why) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait_s);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      *why = std::strerror(errno);
      close(fd);
      return false;
    }
    if (std::chrono::steady_clock::now() >= end) {
      char text[256] = {};
      const ssize_t got = pread(fd, text, sizeof text - 1, 0);
      *holder = got > 0 ? std::string(text, static_cast<size_t>(got)) : "";
      while (!holder->empty() && holder->back() == '\n') holder->pop_back();
      close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (ftruncate(fd, 0) == 0 && !WriteAll(fd, me + "\n")) {
    /* Who holds it is only told to others; the lock holds without it. */
  }
  handle_ = fd;
  return true;
}

bool IsRunnableFile(const std::string &path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

long ProcessId() { return static_cast<long>(getpid()); }

std::string TryWriteIn(const std::string &folder, size_t bytes) {
  std::string name;
  const int fd = CreateOwn(folder + "/probe", "probe", &name);
  if (fd < 0) return std::strerror(errno);
  bool ok = WriteAll(fd, std::string(bytes, '\n')) && fsync(fd) == 0;
  const int error = errno;
  ok = close(fd) == 0 && ok;
  unlink(name.c_str());
  return ok ? std::string() : std::strerror(error != 0 ? error : EIO);
}

namespace {

/* An XDG variable counts only with an absolute path, as the base
 * directories say; else the folder under $HOME. */
std::string XdgFolder(const char *variable, const char *under_home) {
  const char *set = getenv(variable);
  if (set != nullptr && set[0] == '/') return std::string(set) + "/wolfet-host";
  const char *home = getenv("HOME");
  if (home == nullptr || home[0] != '/') return std::string();
  return std::string(home) + under_home + "/wolfet-host";
}

}  // namespace

std::vector<std::string> GameHomeFolders() {
  const char *home = getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return {std::string(home) + "/.etwolf", std::string(home) + "/.etlegacy"};
}

std::string ConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string StateFolder() { return XdgFolder("XDG_STATE_HOME", "/.local/state"); }

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> random(bytes);
  if (RAND_bytes(random.data(), static_cast<int>(bytes)) != 1) return std::string();
  return hostkit::LowerHex(random.data(), bytes);
}

bool OpenInBrowser(const std::string &url) {
  /* No desktop, no browser to show it in: a server's console gets the
   * address and opens it elsewhere. */
  const char *display = getenv("DISPLAY");
  const char *wayland = getenv("WAYLAND_DISPLAY");
  if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0'))
    return false;
  /* A shell that leaves xdg-open running on its own and ends at once, so
   * no child of ours is left to collect. */
  pid_t child = 0;
  const char *argv[] = {"sh", "-c",        "xdg-open \"$1\" >/dev/null 2>&1 &",
                        "sh", url.c_str(), nullptr};
  if (posix_spawnp(&child, "sh", nullptr, nullptr, const_cast<char *const *>(argv), environ) != 0)
    return false;
  int status = 0;
  waitpid(child, &status, 0);
  return true;
}

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !self.has_parent_path()) return std::string();
  return self.parent_path().string() + "/";
}

std::string ProgramFile(const std::string &name) { return name; }

char PathSeparator() { return '/'; }

std::string LocalPath(const std::string &plugin_path) {
  std::string out = plugin_path;
  for (char &c : out)
    if (c == '\\') c = '/';
  return out;
}

bool Sha256File(const std::string &path, std::string *hex) {
  std::ifstream in(path, std::ios::binary);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  EVP_MD_CTX_free);
  if (!in || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return false;
  std::vector<char> piece(1 << 16);
  while (in) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (EVP_DigestUpdate(context.get(), piece.data(), static_cast<size_t>(in.gcount())) != 1)
      return false;
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (!in.eof() || EVP_DigestFinal_ex(context.get(), digest, &size) != 1) return false;
  *hex = hostkit::LowerHex(digest, size);
  return true;
}

namespace {

volatile sig_atomic_t stop_signal = 0;
struct sigaction old_interrupt, old_terminate, old_hang_up;

void OnStop(int signal) { stop_signal = signal; }

}  // namespace

StopSignals::StopSignals() {
  stop_signal = 0;
  struct sigaction action {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &old_interrupt);
  sigaction(SIGTERM, &action, &old_terminate);
  /* A closed terminal ends the wait as a stop does: the colour goes back. */
  sigaction(SIGHUP, &action, &old_hang_up);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &old_interrupt, nullptr);
  sigaction(SIGTERM, &old_terminate, nullptr);
  sigaction(SIGHUP, &old_hang_up, nullptr);
}

GameOutput::GameOutput(bool capture) {
  if (!capture) return;
  int ends[2];
  if (pipe(ends) != 0) return;
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  saved_out_ = fcntl(1, F_DUPFD_CLOEXEC, 3);
  saved_err_ = fcntl(2, F_DUPFD_CLOEXEC, 3);
  fcntl(ends[0], F_SETFD, FD_CLOEXEC);
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  if (saved_out_ < 0 || saved_err_ < 0 || dup2(ends[1], 1) < 0 || dup2(ends[1], 2) < 0) {
    close(ends[0]);
    close(ends[1]);
    Started();
    return;
  }
  close(ends[1]);
  read_end_ = ends[0];
}

void GameOutput::Started() {
  std::fflush(nullptr);
  if (saved_out_ >= 0) dup2(saved_out_, 1);
  if (saved_err_ >= 0) dup2(saved_err_, 2);
  if (saved_out_ >= 0) close(saved_out_);
  if (saved_err_ >= 0) close(saved_err_);
  saved_out_ = saved_err_ = -1;
}

bool GameOutput::Pending() {
  if (read_end_ < 0) return false;
  char piece[4096];
  ssize_t got;
  while ((got = read(read_end_, piece, sizeof piece)) > 0)
    pending_.append(piece, static_cast<size_t>(got));
  if (got == 0) closed_ = true;
  return !pending_.empty();
}

void GameOutput::WritePending() {
  std::cout << pending_ << std::flush;
  at_line_start_ = pending_.back() == '\n';
  pending_.clear();
}

void GameOutput::EndLine() {
  if (!at_line_start_) std::cout << "\n" << std::flush;
  at_line_start_ = true;
}

GameOutput::~GameOutput() {
  Started();
  if (read_end_ < 0) return;
  Drain([] {});
  EndLine();
  if (!closed_ && fork() == 0) {
    fcntl(read_end_, F_SETFL, 0);
    char piece[4096];
    ssize_t got;
    while ((got = read(read_end_, piece, sizeof piece)) > 0)
      if (write(1, piece, static_cast<size_t>(got)) < 0) break;
    _exit(0);
  }
  close(read_end_);
}

const char *StopRequested() {
  if (stop_signal == SIGINT) return "Ctrl-C (SIGINT)";
  if (stop_signal == SIGTERM) return "SIGTERM";
  if (stop_signal == SIGHUP) return "SIGHUP (its terminal was closed)";
  return nullptr;
}

}  // namespace os
}  // namespace wolfet_host
