// The subcommands of wolfet-host, one registration each: its options and
// the callback that runs it. A callback leaves its exit code in the
// context or throws CommandError; main() turns either into the exit status.
#ifndef TOOLS_HOST_COMMANDS_REGISTRATION_H
#define TOOLS_HOST_COMMANDS_REGISTRATION_H

#include <CLI/CLI.hpp>

#include "commands.h"
#include "context.h"

namespace wolfet_host {

void AddSchemaCommand(CLI::App &app, Context &context);
void AddSetCommand(CLI::App &app, Context &context);
void AddGetCommand(CLI::App &app, Context &context);
void AddSettingsCommand(CLI::App &app, Context &context);
void AddCheckCommand(CLI::App &app, Context &context);
void AddVerifyCommand(CLI::App &app, Context &context);
void AddHostCommand(CLI::App &app, Context &context);
void AddJoinCommand(CLI::App &app, Context &context);
void AddServersCommand(CLI::App &app, Context &context);
void AddDemoCommand(CLI::App &app, Context &context);

/* The options host and join share: --player, --interval, --timeout. */
void AddLaunchOptions(CLI::App &command, LaunchRequest &request);

}  // namespace wolfet_host

#endif
