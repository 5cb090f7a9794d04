// host: a game of our own, with the multiplayer settings.
#include <memory>

#include "commands.h"
#include "commands/registration.h"

namespace wolfet_host {

void AddLaunchOptions(CLI::App &command, LaunchRequest &request) {
  command.add_option("--player", request.player, "The player name")->capture_default_str();
  command.add_option("--interval", request.interval_ms, "Milliseconds between polls")
      ->capture_default_str()
      ->check(CLI::Range(1, 10000));
  command
      .add_option("--timeout", request.timeout_s,
                  "Seconds to wait for the game to end (0: no limit)")
      ->capture_default_str()
      ->check(Seconds(0.0, 1e7));
}

void AddHostCommand(CLI::App &app, Context &context) {
  auto request = std::make_shared<LaunchRequest>();
  auto *host = app.add_subcommand(
      "host",
      "Host a game (SDLL_LaunchMultiplayer with the multiplayer settings), show the "
      "launch script and poll until the game ends");
  AddLaunchOptions(*host, *request);
  host->callback([&context, request] {
    request->hosting = true;
    context.exit_code = RunLaunch(context.session(), *request);
  });
}

}  // namespace wolfet_host
