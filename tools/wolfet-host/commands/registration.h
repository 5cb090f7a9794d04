// The subcommands of wolfet-host, one registration each: its options and
// the callback that runs it. A callback leaves its exit code in the
// context or throws CommandError; main() turns either into the exit status.
#ifndef TOOLS_HOST_COMMANDS_REGISTRATION_H
#define TOOLS_HOST_COMMANDS_REGISTRATION_H

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdlib>
#include <string>

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
void AddInfoCommand(CLI::App &app, Context &context);
void AddDemoCommand(CLI::App &app, Context &context);

/* Seconds from `min` to `max`. CLI::Range alone lets "nan" through (no
 * comparison with it is true), and a NaN deadline is never reached or is
 * reached at once, depending on how it is compared; every option that
 * takes seconds goes through this check. */
inline CLI::Validator Seconds(double min, double max) {
  const std::string range =
      "[" + CLI::detail::to_string(min) + " - " + CLI::detail::to_string(max) + "]";
  return CLI::Validator(
      [min, max, range](std::string &text) -> std::string {
        char *end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value))
          return "'" + text + "' is not a number of seconds; give one in " + range;
        if (value < min || value > max)
          return "Value " + text + " not in range " + range + " seconds";
        return std::string();
      },
      "SECONDS in " + range);
}

/* The options host and join share: --player, --interval, --timeout. */
void AddLaunchOptions(CLI::App &command, LaunchRequest &request);

}  // namespace wolfet_host

#endif
