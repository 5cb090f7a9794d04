// info: one game server asked directly, without a master: its info, its
// rules and its players.
#ifndef TOOLS_HOST_SERVERS_INFO_COMMAND_H
#define TOOLS_HOST_SERVERS_INFO_COMMAND_H

#include <string>

namespace wolfet_host {

struct InfoOptions {
  std::string address; /* HOST[:PORT], port 27960 if not given */
  double timeout_s = 3;
  bool json = false;
};

/* Prints the server's row and its players as `servers --players` shows
 * them, then its rules sorted as `key = value`; with `json`, one JSON object as
 * `servers --json --players` prints a server, without `index` (null when
 * it could not be asked). A server that does not answer, or whose host
 * says its port is closed, ends it with kExitNoMaster, as a master that
 * does not answer ends `servers`; its JSON object is printed all the
 * same. A server that answers getinfo but not getstatus is shown without
 * rules and players, and a note says so. */
int RunInfo(const InfoOptions &options);

}  // namespace wolfet_host

#endif
