#include <fcntl.h>
#include <openssl/evp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
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

bool MoveReplacing(const std::string &from, const std::string &to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
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

}  // namespace

Saved SaveAtomically(const std::string &path, const std::string &bytes, std::string *why) {
  const std::string target = SaveTarget(path);
  if (target.empty()) return Refused(Saved::kNotWritten, why, std::strerror(ELOOP));
  struct stat before;
  const bool existed = stat(target.c_str(), &before) == 0;
  /* rename(2) would replace a file the user made read-only. */
  if (existed && S_ISREG(before.st_mode) && access(target.c_str(), W_OK) != 0)
    return Refused(Saved::kNotWritten, why, "it is read-only");
  const std::string temporary = target + ".tmp";
  /* Not through a link left at the temporary's name: the mode below
   * would go to whatever it names. */
  const int out =
      open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (out < 0) {
    const int error = errno;
    if (error == ELOOP) unlink(temporary.c_str());
    return Refused(Saved::kNotWritten, why, std::strerror(error));
  }
  bool written = WriteAll(out, bytes);
  if (written && existed && S_ISREG(before.st_mode)) {
    written = fchmod(out, before.st_mode & 07777) == 0;
    /* Only root can give a file away; as anyone else the owner is this
     * user already. */
    if (written && (before.st_uid != geteuid() || before.st_gid != getegid()))
      written = fchown(out, before.st_uid, before.st_gid) == 0 || geteuid() != 0;
  }
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
struct sigaction old_interrupt, old_terminate;

void OnStop(int signal) { stop_signal = signal; }

}  // namespace

StopSignals::StopSignals() {
  stop_signal = 0;
  struct sigaction action {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &old_interrupt);
  sigaction(SIGTERM, &action, &old_terminate);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &old_interrupt, nullptr);
  sigaction(SIGTERM, &old_terminate, nullptr);
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
  return nullptr;
}

}  // namespace os
}  // namespace wolfet_host
