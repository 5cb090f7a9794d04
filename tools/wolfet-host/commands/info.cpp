// info: one server's rules and players, asked without a master.
#include <memory>

#include "commands/registration.h"
#include "servers/info_command.h"
#include "servers/protocol.h"

namespace wolfet_host {

void AddInfoCommand(CLI::App &app, Context &context) {
  auto options = std::make_shared<InfoOptions>();
  auto *info = app.add_subcommand(
      "info",
      "Ask one server, without a master: its name, mod, map, players and ping as servers "
      "shows them, its rules (key = value) and each player's name, score and ping");
  info->add_option("address", options->address,
                   "The server, HOST[:PORT] (port 27960 if not given): an IPv4 address or a "
                   "host name")
      ->required()
      ->check(CLI::Validator(
          [](std::string &text) {
            std::string why;
            return ParseServerAddress(text, &why) ? std::string() : "'" + text + "' " + why;
          },
          "HOST[:PORT]"));
  info->add_option("--timeout", options->timeout_s,
                   "Seconds for the whole query, the name's look-up included")
      ->capture_default_str()
      ->check(Seconds(0.1, 60.0));
  info->add_flag("--json", options->json, "Print the server as one JSON object");
  info->callback([&context, options] { context.exit_code = RunInfo(*options); });
}

}  // namespace wolfet_host
