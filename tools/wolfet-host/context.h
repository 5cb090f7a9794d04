// What every subcommand's callback shares: the global options and the one
// session they open, and the exit status the command leaves for main().
#ifndef TOOLS_HOST_CONTEXT_H
#define TOOLS_HOST_CONTEXT_H

#include <memory>
#include <string>

#include "exit_codes.h"
#include "session.h"

namespace wolfet_host {

struct Context {
  GlobalOptions global;
  std::string stand_in_game; /* the demo's default --game */
  int exit_code = kExitOk;

  /* Opened on first use, after the command line is read, so that the
   * global options given are the ones it uses. */
  Session &session() {
    if (!session_) session_ = std::make_unique<Session>(global);
    return *session_;
  }

 private:
  std::unique_ptr<Session> session_;
};

}  // namespace wolfet_host

#endif
