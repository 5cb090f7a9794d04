#include <io.h>
#include <windows.h>
/* after windows.h, which it needs */
#include <bcrypt.h>
#include <shellapi.h>

#include <chrono>
#include <cstdint>
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

std::string Kind(DWORD attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES) return "";
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "a folder";
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return "a device";
  return "";
}

/* A new file of ours, never one that is there (CREATE_NEW). */
HANDLE CreateOwn(const std::string &target, const char *what, std::string *name) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    *name = SideName(target, what);
    HANDLE file = CreateFileA(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const std::string &bytes) {
  DWORD written = 0;
  return bytes.size() <= MAXDWORD &&
         WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
         written == bytes.size();
}

/* The name the C runtime and the ANSI calls take. */
std::string Full(const std::string &path) {
  std::error_code error;
  const std::string full = std::filesystem::absolute(path, error).string();
  return error ? path : full;
}

}  // namespace

std::string KindOf(const std::string &path) { return Kind(GetFileAttributesA(path.c_str())); }

FileRead ReadRegularFile(const std::string &path, size_t max_bytes) {
  FileRead read;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    read.state = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                     ? FileRead::kMissing
                     : FileRead::kUnreadable;
    read.why = SystemError(code);
    return read;
  }
  if (!Kind(attributes).empty()) return {FileRead::kNotRegular, "", Kind(attributes)};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {FileRead::kUnreadable, "", SystemError(GetLastError())};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return {FileRead::kNotRegular, "", "a device"};
  }
  read.state = FileRead::kRead;
  char piece[1 << 14];
  for (;;) {
    DWORD got = 0;
    if (ReadFile(file, piece, sizeof piece, &got, nullptr) == 0) {
      read = {FileRead::kUnreadable, "", SystemError(GetLastError())};
      break;
    }
    if (got == 0) break;
    if (read.bytes.size() + got > max_bytes) {
      read = {FileRead::kTooLarge, "", ""};
      break;
    }
    read.bytes.append(piece, got);
  }
  CloseHandle(file);
  return read;
}

Saved SaveAtomically(const std::string &path, const std::string &bytes, std::string *why) {
  /* ReplaceFile takes full paths only. */
  std::error_code error;
  std::string target = Full(path);
  if (std::filesystem::is_symlink(path, error)) {
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (error) return Refused(Saved::kNotWritten, why, error.message());
    target = resolved.string();
  }
  const DWORD attributes = GetFileAttributesA(target.c_str());
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  if (!Kind(attributes).empty())
    return Refused(Saved::kNotWritten, why, "it is " + Kind(attributes) + ", not a regular file");
  if (existed && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return Refused(Saved::kNotWritten, why, "it is read-only");
  std::string temporary;
  HANDLE out = CreateOwn(target, "new", &temporary);
  if (out == INVALID_HANDLE_VALUE)
    return Refused(Saved::kNotWritten, why, SystemError(GetLastError()));
  bool ok = WriteAll(out, bytes) && FlushFileBuffers(out) != 0;
  DWORD failure = ok ? 0 : GetLastError();
  ok = CloseHandle(out) != 0 && ok;
  if (!ok) {
    DeleteFileA(temporary.c_str());
    return Refused(Saved::kNotWritten, why, SystemError(failure != 0 ? failure : GetLastError()));
  }
  /* ReplaceFile keeps the old file's attributes and access rights, which
   * a rename would drop for the temporary's; a new file has none to keep. */
  const bool replaced =
      existed ? ReplaceFileA(target.c_str(), temporary.c_str(), nullptr,
                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
              : MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!replaced) {
    failure = GetLastError();
    DeleteFileA(temporary.c_str());
    return Refused(Saved::kNotReplaced, why, SystemError(failure));
  }
  return Saved::kYes;
}

FileLock::~FileLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle_)));
}

bool FileLock::Acquire(const std::string &path, double wait_s, const std::string &me,
                       std::string *holder, std::string *why) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *why = SystemError(GetLastError());
    return false;
  }
  /* The first byte is locked; who holds it is written after it, where a
   * waiting run can read it. */
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(wait_s);
  OVERLAPPED at = {};
  while (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) == 0) {
    if (std::chrono::steady_clock::now() >= end) {
      char text[256] = {};
      DWORD got = 0;
      OVERLAPPED from = {};
      from.Offset = 1;
      ReadFile(file, text, sizeof text - 1, &got, &from);
      *holder = std::string(text, got);
      while (!holder->empty() && (holder->back() == '\n' || holder->back() == '\r'))
        holder->pop_back();
      CloseHandle(file);
      return false;
    }
    Sleep(10);
  }
  OVERLAPPED from = {};
  from.Offset = 1;
  DWORD written = 0;
  const std::string line = me + "\n";
  SetFilePointer(file, 1, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, &from);
  handle_ = static_cast<long long>(reinterpret_cast<intptr_t>(file));
  return true;
}

bool IsRunnableFile(const std::string &path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && Kind(attributes).empty();
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

std::string TryWriteIn(const std::string &folder, size_t bytes) {
  std::string name;
  HANDLE file = CreateOwn(folder + "\\probe", "probe", &name);
  if (file == INVALID_HANDLE_VALUE) return SystemError(GetLastError());
  bool ok = WriteAll(file, std::string(bytes, '\n')) && FlushFileBuffers(file) != 0;
  const DWORD failure = ok ? 0 : GetLastError();
  CloseHandle(file);
  DeleteFileA(name.c_str());
  return ok ? std::string() : SystemError(failure);
}

namespace {

std::string KnownFolder(const char *variable) {
  const char *set = getenv(variable);
  return set != nullptr && set[0] != '\0' ? std::string(set) + "\\wolfet-host" : std::string();
}

}  // namespace

std::vector<std::string> GameHomeFolders() {
  const char *profile = getenv("USERPROFILE");
  if (profile == nullptr || profile[0] == '\0') return {};
  return {std::string(profile) + "\\Documents\\ETLegacy"};
}

std::string ConfigFolder() { return KnownFolder("APPDATA"); }
std::string StateFolder() { return KnownFolder("LOCALAPPDATA"); }

std::string RandomHex(size_t bytes) {
  std::vector<unsigned char> random(bytes);
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random.data(), static_cast<ULONG>(bytes),
                                      BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    return std::string();
  return hostkit::LowerHex(random.data(), bytes);
}

bool OpenInBrowser(const std::string &url) {
  return reinterpret_cast<intptr_t>(
             ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
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
