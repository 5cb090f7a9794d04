/*
 * Loading a plug-in library and finding its exports: dlopen/dlsym on POSIX,
 * LoadLibraryA/GetProcAddress on Windows.
 */
#ifndef HOSTKIT_LIBRARY_H
#define HOSTKIT_LIBRARY_H

#include <string>

#include <sdll/sdll.h>

namespace hostkit {

struct Exports {
  SDLL_InitCallFn InitCall;
  SDLL_InitFn Init;
  SDLL_LoadConfigurationFn LoadConfiguration;
  SDLL_EngineConfigFn EngineConfig;
  SDLL_VerificationFn Verification;
  SDLL_LaunchMultiplayerFn LaunchMultiplayer;
  SDLL_MultiplayerFinishedFn MultiplayerFinished;
};

class Library {
 public:
  Library() = default;
  ~Library() { Close(); }
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;

  /* False with a message naming the file (and the system's reason). */
  bool Open(const std::string &path, std::string *error);
  /* Resolves all seven exports by their undecorated names; false with a
   * message naming the first one missing. */
  bool Resolve(Exports *exports, std::string *error) const;
  void Close();
  bool is_open() const { return handle_ != nullptr; }

 private:
  void *Symbol(const char *name) const;
  void *handle_ = nullptr;
  std::string path_;
};

}  // namespace hostkit

#endif
