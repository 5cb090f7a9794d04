// servers: the public games, through the server browser's entry point.
#include <memory>

#include "commands/registration.h"
#include "servers/protocol.h"
#include "servers/servers_command.h"

namespace wolfet_host {

void AddServersCommand(CLI::App &app, Context &context) {
  auto options = std::make_shared<ServersOptions>();
  auto *servers = app.add_subcommand(
      "servers",
      "List the public servers: the master server's list (engine servers masteraddress), each "
      "server's name, mod, map, players, password flag and ping, and whether it is of this "
      "game; keeps the list for join --pick");
  servers
      ->add_option("--master", options->master,
                   "The master server, HOST[:PORT] (port 27950 if not given): an IPv4 address "
                   "or a host name; asked even when engine servers performquery is 0")
      ->check(CLI::Validator(
          [](std::string &text) {
            std::string why;
            return ParseMasterAddress(text, &why) ? std::string() : "'" + text + "' " + why;
          },
          "HOST[:PORT]"));
  servers->add_option("--timeout", options->timeout_s, "Seconds for the whole query")
      ->capture_default_str()
      ->check(Seconds(0.1, 60.0));
  servers->add_flag("--json", options->json, "Print the list as JSON");
  servers->callback(
      [&context, options] { context.exit_code = RunServers(context.session(), *options); });
}

}  // namespace wolfet_host
