// One game server asked directly, without a master: its info, its rules
// and its players.
#ifndef TOOLS_WOLFET_HOST_SERVERS_INFO_H
#define TOOLS_WOLFET_HOST_SERVERS_INFO_H

#include <string>

#include "browser.h"

namespace wolfet_host {

struct AskedServer {
  std::string named;  /* "host:port" as typed, with the address it has when that differs */
  ServerInfo server;  /* answered false when it did not; reachable false when refused */
  double seconds = 0; /* how long it was asked, the look-up included */
};

/* Asks the server at HOST[:PORT] (port 27960 when not given) for its info
 * and status within `timeout_s`, the name's look-up included. Throws
 * Error: kBadInput when `address` names no server, kNoAnswer when its
 * name cannot be found in time. */
AskedServer AskServer(const std::string &address, double timeout_s);

}  // namespace wolfet_host

#endif
