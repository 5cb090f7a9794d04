// join: one of the servers given, or of the list `servers` kept.
#include <memory>

#include "commands.h"
#include "commands/registration.h"

namespace wolfet_host {

void AddJoinCommand(CLI::App &app, Context &context) {
  auto request = std::make_shared<LaunchRequest>();
  auto *join = app.add_subcommand(
      "join",
      "Join one of the servers given (SDLL_LaunchMultiplayer), show the launch script "
      "and poll until the game ends");
  AddLaunchOptions(*join, *request);
  join->add_option("servers", request->servers,
                   "Server addresses, at most 255 bytes each; none: the list 'servers' kept");
  join->add_option("--pick", request->pick,
                   "Index of the server to join, from 0 (the # column of 'servers')")
      ->capture_default_str();
  join->callback([&context, request] {
    request->hosting = false;
    context.exit_code = RunLaunch(context.session(), *request);
  });
}

}  // namespace wolfet_host
