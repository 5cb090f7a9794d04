// What the subcommands of wolfet-host share: the global options and the
// one session they open, the checks of options several of them take, and
// the run functions the demo calls in a row. Each subcommand's file under
// commands/ holds its options and its run function; a run function
// returns on success and throws Error otherwise, which main() alone turns
// into words and an exit code.
#ifndef TOOLS_WOLFET_HOST_PROGRAM_H
#define TOOLS_WOLFET_HOST_PROGRAM_H

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "error.h"
#include "launch.h"
#include "servers/server_filter.h"
#include "session.h"

namespace wolfet_host {

struct Context {
  GlobalOptions global;
  std::string stand_in_game; /* the demo's default --game */

  /* Opened on first use, after the command line is read, so that the
   * global options given are the ones it uses. */
  Session &session() {
    if (session_) return *session_;
    session_ = std::make_unique<Session>(global);
    const std::string &note = session_->file().files().note;
    if (!note.empty()) std::cerr << "note: " << note << "\n";
    return *session_;
  }

 private:
  std::unique_ptr<Session> session_;
};

void AddSchemaCommand(CLI::App &app, Context &context);
void AddSetCommand(CLI::App &app, Context &context);
void AddGetCommand(CLI::App &app, Context &context);
void AddSettingsCommand(CLI::App &app, Context &context);
void AddCheckCommand(CLI::App &app, Context &context);
void AddVerifyCommand(CLI::App &app, Context &context);
void AddHostCommand(CLI::App &app, Context &context);
void AddJoinCommand(CLI::App &app, Context &context);
void AddServersCommand(CLI::App &app, Context &context);
void AddInfoCommand(CLI::App &app, Context &context);
void AddFavouritesCommand(CLI::App &app, Context &context);
void AddUiCommand(CLI::App &app, Context &context);
void AddDemoCommand(CLI::App &app, Context &context);

/* Seconds from `min` to `max`. CLI::Range alone lets "nan" through (no
 * comparison with it is true), and a NaN deadline is never reached or is
 * reached at once, depending on how it is compared; every option that
 * takes seconds goes through this check. */
CLI::Validator Seconds(double min, double max);

/* A whole number in decimal digits, for every option that takes one:
 * the parser alone reads 010 as 8 and 0x10 as 16. */
CLI::Validator Decimal();

/* The options host and join share: --player, --interval, --timeout. */
void AddLaunchOptions(CLI::App &command, LaunchRequest &request);

void RunSchema(Session &session);
void RunSet(Session &session, const std::string &page, const std::string &group,
            const std::string &setting, const std::string &value);
void RunCheck(Session &session);
void RunVerify(Session &session, bool record);
/* host and join: the launch shown on the terminal, the game's output
 * passed through, until the game ends. */
LaunchOutcome RunLaunch(Session &session, const LaunchRequest &request);

struct ServersOptions {
  std::string master; /* HOST[:PORT]; empty: the engine page's master server */
  double timeout_s = 3;
  bool json = false;
  bool players = false; /* ask each server's status and show its players and rules */
  ServerFilter filter;  /* what the table and --json show; the list kept is whole */
  ServerSort sort = ServerSort::kPing;
};
void RunServers(Session &session, const ServersOptions &options);

struct UiOptions {
  int port = 0;
  bool no_open = false;
};
/* Serves the graphical host on the context's session until a stop. */
void RunUi(Context &context, const UiOptions &options);

}  // namespace wolfet_host

#endif
