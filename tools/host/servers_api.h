// The server browser's entry points, as the rest of the host uses them.
// The browser keeps them in servers/servers_command.h where it has that
// folder; until then they are declared here.
#ifndef TOOLS_HOST_SERVERS_API_H
#define TOOLS_HOST_SERVERS_API_H

#if __has_include("servers/servers_command.h")
#include "servers/servers_command.h"
#else
#include <string>
#include <vector>

#include "session.h"
#include "stand_in_network.h"

namespace wolfet_host {

struct ServersOptions {
  std::string master; /* HOST[:PORT]; empty: the engine page's master server */
  double timeout_s = 3;
  bool json = false;
};

/* Lists the public servers and keeps the list beside the settings file
 * for `join --pick`. */
int RunServers(Session &session, const ServersOptions &options);

/* The addresses of the last list `servers` kept for `settings_path`, in
 * the order of its `#` column. Throws CommandError (bad argument) when
 * there is none or it cannot be read. */
std::vector<std::string> StoredServerAddresses(const std::string &settings_path);

}  // namespace wolfet_host
#endif

#endif
