// The server list for people and for scripts: the table with the names'
// ^0-^9 colours, and the JSON that --json prints and the kept list holds.
#ifndef TOOLS_HOST_SERVERS_DISPLAY_H
#define TOOLS_HOST_SERVERS_DISPLAY_H

#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "protocol.h"

namespace wolfet_host {

/* The game's texts (server names, the schema's) are Windows-1252;
 * terminals want UTF-8. */
std::string GameTextToUtf8(std::string_view text);

/* Fastest first; the silent ones after, in the master's order. */
void SortFastestFirst(std::vector<ServerInfo> *servers);

/* One row per server under a header, `#` being the index join --pick
 * takes. With `colour`, a name's ^0-^9 become terminal colours; without,
 * they go. */
void PrintTable(const std::vector<ServerInfo> &servers, bool colour, std::ostream &out);

/* One object per server; what a silent server did not say is null. */
nlohmann::json ToJson(const std::vector<ServerInfo> &servers);

/* Two spaces a level. Server texts are bytes, not always UTF-8: what is
 * not shows as U+FFFD. */
std::string Dump(const nlohmann::json &value);

}  // namespace wolfet_host

#endif
