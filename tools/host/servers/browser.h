// Public server browsing: the master's list, then every listed server's
// info, all within one deadline and on one socket.
#ifndef TOOLS_HOST_SERVERS_BROWSER_H
#define TOOLS_HOST_SERVERS_BROWSER_H

#include <string>
#include <vector>

#include "protocol.h"

namespace wolfet_host {

struct BrowseRequest {
  std::string master_host;
  uint16_t master_port = kDefaultMasterPort;
  double timeout_s = 3;
};

struct BrowseResult {
  std::vector<ServerInfo> servers; /* each address once, in the master's order */
  bool master_answered = false;    /* at least one list came from it */
  bool list_complete = false;      /* its end marker came before the deadline */
};

/* Asks the master, then every server it lists as soon as it is listed,
 * and returns at the deadline or once the list has ended and every server
 * has answered. Silent servers and the master are asked up to three times
 * in all. Throws CommandError (kExitNoMaster) when the master's name
 * cannot be resolved. */
BrowseResult Browse(const BrowseRequest &request);

}  // namespace wolfet_host

#endif
