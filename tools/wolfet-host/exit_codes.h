// What wolfet-host's exit status means, and the error that carries one.
// Scripts branch on these numbers, so they never change meaning.
#ifndef TOOLS_HOST_EXIT_CODES_H
#define TOOLS_HOST_EXIT_CODES_H

#include <stdexcept>
#include <string>

namespace wolfet_host {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,       /* a file could not be read or written, the game did not end */
  kExitBadArgument = 2,   /* a wrong option, name or value, or an unreadable settings file */
  kExitPlugin = 3,        /* the plug-in cannot be loaded, lacks an export or fails a call */
  kExitEngineFolder = 4,  /* the engine folder is not set or not usable */
  kExitVerifyDiffers = 5, /* verification found a missing or changed file */
  kExitNoMaster = 6,      /* the master server (or the one server info asks) could not be
                           * found or did not answer */
};

/* The text shown under every --help, so the codes are documented where
 * they are used. */
extern const char kExitCodeHelp[];

/* A failure that ends the command with `code`; the message names the file
 * or setting involved. */
class CommandError : public std::runtime_error {
 public:
  CommandError(int code, const std::string &message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

}  // namespace wolfet_host

#endif
