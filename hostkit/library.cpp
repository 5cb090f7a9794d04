#include "library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace hostkit {

bool Library::Open(const std::string &path, std::string *error) {
  Close();
#if defined(_WIN32)
  handle_ = reinterpret_cast<void *>(LoadLibraryA(path.c_str()));
  if (handle_ == nullptr && error != nullptr)
    *error = "cannot load plug-in '" + path + "' (error " + std::to_string(GetLastError()) + ")";
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr && error != nullptr) {
    const char *why = dlerror();
    *error = "cannot load plug-in '" + path + "': " + (why != nullptr ? why : "unknown error");
  }
#endif
  path_ = path;
  return handle_ != nullptr;
}

void *Library::Symbol(const char *name) const {
#if defined(_WIN32)
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

bool Library::Resolve(Exports *exports, std::string *error) const {
  struct Entry {
    const char *name;
    void **slot;
  };
  Exports found{};
  const Entry entries[] = {
      {"SDLL_InitCall", reinterpret_cast<void **>(&found.InitCall)},
      {"SDLL_Init", reinterpret_cast<void **>(&found.Init)},
      {"SDLL_LoadConfiguration", reinterpret_cast<void **>(&found.LoadConfiguration)},
      {"SDLL_EngineConfig", reinterpret_cast<void **>(&found.EngineConfig)},
      {"SDLL_Verification", reinterpret_cast<void **>(&found.Verification)},
      {"SDLL_LaunchMultiplayer", reinterpret_cast<void **>(&found.LaunchMultiplayer)},
      {"SDLL_MultiplayerFinished", reinterpret_cast<void **>(&found.MultiplayerFinished)},
  };
  if (handle_ == nullptr) {
    if (error != nullptr) *error = "no plug-in loaded";
    return false;
  }
  for (const Entry &entry : entries) {
    *entry.slot = Symbol(entry.name);
    if (*entry.slot == nullptr) {
      if (error != nullptr) *error = "plug-in '" + path_ + "' lacks the export " + entry.name;
      return false;
    }
  }
  *exports = found;
  return true;
}

void Library::Close() {
  if (handle_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
}

}  // namespace hostkit
