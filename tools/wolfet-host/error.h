// The one kind of failure the host's libraries report: what went wrong,
// by its cause, and a message that names the file, setting or server
// involved and says what to do. Only the program turns a cause into an
// exit code (exit_codes.cpp).
#ifndef TOOLS_WOLFET_HOST_ERROR_H
#define TOOLS_WOLFET_HOST_ERROR_H

#include <stdexcept>
#include <string>

namespace wolfet_host {

enum class Fault {
  kFile,         /* a file could not be read or written */
  kWait,         /* the game outlived the wait, the wait was stopped, or the game started on
                    a script that is not the new one */
  kDemo,         /* the demo saw the plug-in do other than it should */
  kBadInput,     /* a wrong option, setting name or value, or a settings file that cannot be
                    taken as it is */
  kPlugin,       /* the plug-in cannot be loaded, lacks an export or fails a call */
  kEngineFolder, /* the engine folder is not set or not usable */
  kFilesDiffer,  /* verification found a missing, moved or changed file */
  kNoAnswer,     /* the master server, or the one server asked, could not be found or did
                    not answer */
};

class Error : public std::runtime_error {
 public:
  Error(Fault fault, const std::string &message) : std::runtime_error(message), fault_(fault) {}
  Fault fault() const { return fault_; }

 private:
  Fault fault_;
};

}  // namespace wolfet_host

#endif
