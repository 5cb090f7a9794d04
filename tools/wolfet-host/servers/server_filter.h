// What `servers` shows of the list it found: the filters that narrow the
// table and the JSON, and the order the list is kept in.
#ifndef TOOLS_HOST_SERVERS_SERVER_FILTER_H
#define TOOLS_HOST_SERVERS_SERVER_FILTER_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol.h"

namespace wolfet_host {

enum class ServerSort { kPing, kPlayers, kName, kMap };

/* "ping", "players", "name" or "map"; nothing for another word. */
std::optional<ServerSort> ParseServerSort(std::string_view text);

/* A game type as the table names it ("Objective", any case) or its
 * number from 0 to 99999; nothing for another text. */
std::optional<int> ParseGameType(std::string_view text);

struct ServerFilter {
  bool not_full = false, not_empty = false, no_password = false;
  std::optional<std::string> map, mod;
  std::optional<int> game_type;
  std::optional<double> max_ping_ms;
  /* Needs each server's status: the command asks for it when this is set. */
  std::optional<std::string> player;
  /* The options as typed, for the summary to name: "--not-full --map x". */
  std::string typed;

  bool On() const {
    return not_full || not_empty || no_password || map || mod || game_type || max_ping_ms || player;
  }
};

/* Orders the list as it is kept and shown, so that `#` counts down the
 * table when nothing is filtered: fastest first by default; most players
 * first; or by name or map without colour codes, case aside. Ties keep
 * the faster first, and the silent ones come last in the master's order. */
void SortServers(ServerSort sort, std::vector<ServerInfo> *servers);

/* The indices into `servers` that pass every filter, in the list's order.
 * A filter that needs what a server did not say (a silent one says
 * nothing, and one whose status did not come has no players to search)
 * leaves that server out. A server with only bots on counts as empty
 * when its humans are known (Humans()). */
std::vector<size_t> Filter(const std::vector<ServerInfo> &servers, const ServerFilter &filter);

}  // namespace wolfet_host

#endif
