// join: one of the servers given, or of the list `servers` kept.
#include <memory>

#include "program.h"
#include "servers/kept_list.h"

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
      ->capture_default_str()
      ->transform(Decimal());
  join->callback([&context, request] {
    request->hosting = false;
    if (request->servers.empty()) {
      const KeptList kept = ReadKeptList(context.session().file().files());
      CheckKeptPick(kept, request->pick, request->force);
      request->servers = kept.addresses;
      request->servers_from = "the list kept in " + kept.path;
      if (request->pick >= 0 && static_cast<size_t>(request->pick) < kept.servers.size())
        request->server_name = kept.servers[request->pick].value("name", std::string());
    }
    RunLaunch(context.session(), *request);
  });
}

}  // namespace wolfet_host
