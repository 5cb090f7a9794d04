#include <io.h>
#include <windows.h>
/* after windows.h, which it needs */
#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "os.h"
#include "text.h"

namespace wolfet_host {
namespace os {

namespace {
bool IsTerminal(FILE *file, DWORD handle) {
  if (_isatty(_fileno(file)) == 0) return false;
  /* Status lines redraw with VT sequences; without them, stay plain. */
  HANDLE out = GetStdHandle(handle);
  DWORD mode = 0;
  return GetConsoleMode(out, &mode) != 0 &&
         SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
}  // namespace

bool StdoutIsTerminal() { return IsTerminal(stdout, STD_OUTPUT_HANDLE); }
bool StderrIsTerminal() { return IsTerminal(stderr, STD_ERROR_HANDLE); }

std::string MakeTemporaryFolder(const std::string &prefix) {
  char base[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof base, base);
  if (length == 0 || length > MAX_PATH) return std::string();
  /* CreateDirectoryA fails on a name that exists, so a clash is retried
   * rather than shared. */
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string path = std::string(base) + prefix + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(path.c_str(), nullptr) != 0) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return std::string();
}

bool SetEnvironment(const std::string &name, const std::string &value) {
  return _putenv_s(name.c_str(), value.c_str()) == 0;
}

bool MoveReplacing(const std::string &from, const std::string &to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

namespace {

Saved Refused(Saved saved, std::string *why, const std::string &reason) {
  if (why != nullptr) *why = reason;
  return saved;
}

std::string SystemError(DWORD code) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, text, sizeof text, nullptr);
  std::string out(text, length);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
    out.pop_back();
  return out.empty() ? "error " + std::to_string(code) : out;
}

}  // namespace

Saved SaveAtomically(const std::string &path, const std::string &bytes, std::string *why) {
  /* ReplaceFile takes full paths only. */
  std::error_code error;
  std::string target = std::filesystem::absolute(path, error).string();
  if (error) target = path;
  if (std::filesystem::is_symlink(path, error)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (error) return Refused(Saved::kNotWritten, why, error.message());
    target = resolved.string();
  }
  const DWORD attributes = GetFileAttributesA(target.c_str());
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  if (existed && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return Refused(Saved::kNotWritten, why, "it is read-only");
  const std::string temporary = target + ".tmp";
  HANDLE out = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE)
    return Refused(Saved::kNotWritten, why, SystemError(GetLastError()));
  DWORD written = 0;
  bool ok =
      bytes.size() <= MAXDWORD &&
      WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
      written == bytes.size() && FlushFileBuffers(out) != 0;
  DWORD failure = ok ? 0 : GetLastError();
  ok = CloseHandle(out) != 0 && ok;
  if (!ok) {
    DeleteFileA(temporary.c_str());
    return Refused(Saved::kNotWritten, why, SystemError(failure != 0 ? failure : GetLastError()));
  }
  /* ReplaceFile keeps the old file's attributes and access rights, which
   * a rename would drop for the temporary's; a new file has none to keep. */
  const bool replaced =
      existed && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0
          ? ReplaceFileA(target.c_str(), temporary.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
          : MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!replaced) {
    failure = GetLastError();
    DeleteFileA(temporary.c_str());
    return Refused(Saved::kNotReplaced, why, SystemError(failure));
  }
  return Saved::kYes;
}

std::string ExecutableFolder() {
  char path[MAX_PATH + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  std::string folder(path, length);
  const size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string ProgramFile(const std::string &name) { return name + ".exe"; }

char PathSeparator() { return '\\'; }

std::string LocalPath(const std::string &plugin_path) { return plugin_path; }

bool Sha256File(const std::string &path, std::string *hex) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[32];
  bool ok = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  std::vector<char> piece(1 << 16);
  while (ok && in) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    ok = BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(piece.data()),
                                       static_cast<ULONG>(in.gcount()), 0));
  }
  ok = ok && in.eof() && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof digest, 0));
  if (hash != nullptr) BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) return false;
  *hex = hostkit::LowerHex(digest, sizeof digest);
  return true;
}

namespace {

/* Written by the handler's own thread, read by the poll's. */
volatile LONG stop_event = -1;

BOOL WINAPI OnStop(DWORD event) {
  /* Closing the console ends the process as soon as the handler returns,
   * whatever it answers, so only the keys are caught. */
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  InterlockedExchange(&stop_event, static_cast<LONG>(event));
  return TRUE;
}

}  // namespace

StopSignals::StopSignals() {
  InterlockedExchange(&stop_event, -1);
  SetConsoleCtrlHandler(OnStop, TRUE);
}

StopSignals::~StopSignals() { SetConsoleCtrlHandler(OnStop, FALSE); }

GameOutput::GameOutput(bool) {}
GameOutput::~GameOutput() {}
void GameOutput::Started() {}
bool GameOutput::Pending() { return false; }
void GameOutput::WritePending() {}
void GameOutput::EndLine() {}

const char *StopRequested() {
  switch (InterlockedCompareExchange(&stop_event, -1, -1)) {
    case CTRL_C_EVENT:
      return "Ctrl-C";
    case CTRL_BREAK_EVENT:
      return "Ctrl-Break";
    default:
      return nullptr;
  }
}

}  // namespace os
}  // namespace wolfet_host
