#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "os.h"

namespace wolfet_host {
namespace os {

bool StdoutIsTerminal() {
  if (_isatty(_fileno(stdout)) == 0) return false;
  /* The status line redraws with VT sequences; without them, stay plain. */
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return GetConsoleMode(out, &mode) != 0 &&
         SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

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

}  // namespace os
}  // namespace wolfet_host
