// The server list for people and for scripts: the table with the names'
// colours, and the JSON that --json prints and the kept list holds.
#ifndef TOOLS_HOST_SERVERS_DISPLAY_H
#define TOOLS_HOST_SERVERS_DISPLAY_H

#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "protocol.h"

namespace wolfet_host {
struct BrowseResult;
struct ServerFilter;
}  // namespace wolfet_host

namespace wolfet_host {

/* A server's name or map as the table, the JSON and the kept list all
 * show it: UTF-8 when it is well-formed UTF-8, else Windows-1252. */
std::string ServerTextToUtf8(std::string_view text);

/* What ends a cut name: one character, U+2026, since the table is UTF-8
 * anyway and three dots would take two more columns from the name. */
extern const char kEllipsis[];

/* A name or map as UTF-8 without its colour codes, a control character
 * as '?': as a pipe shows it. */
std::string PlainText(std::string_view raw);

/* The name the table gives game type `type`, or null for a number this
 * game has no name for. */
const char *GameTypeName(int type);

/* Fastest first; the silent ones after, in the master's order. */
void SortFastestFirst(std::vector<ServerInfo> *servers);

/* One row per server under a header, `#` being the index join --pick
 * takes, in at most 80 columns: names, mods and maps are cut to fit. A
 * server of another game says so over its map, players and type; one
 * that needs a password has " pw" after its players, which read
 * `humans+bots/max` when bots are told apart. A server whose status came
 * has its players under its row. With `colour`, a name's colour codes
 * become terminal colours; without, they go. */
void PrintTable(const std::vector<ServerInfo> &servers, bool colour, std::ostream &out);
/* Only the rows of `shown`, indices into `servers`, each under its own
 * index: a filtered table has gaps in `#`. */
void PrintTable(const std::vector<ServerInfo> &servers, const std::vector<size_t> &shown,
                bool colour, std::ostream &out);

/* One object per server; what a server did not say is null. `joinable`
 * is false for a server of another game; `humans` and `bots` are counted
 * as Humans() and Bots() count them. `with_status` adds `player_list`
 * (names with their colour codes) and `rules`, null for a server whose
 * status did not come. */
nlohmann::json ToJson(const std::vector<ServerInfo> &servers, bool with_status = false);

/* A line per player, `indent` spaces in: the name (coloured with
 * `colour`, cut to fit 80 columns), the score and the ping. */
void PrintPlayers(const std::vector<Player> &players, size_t indent, bool colour,
                  std::ostream &out);

/* Two spaces a level; should a text not be UTF-8 after all, its bad
 * bytes show as U+FFFD rather than stop the dump. */
std::string Dump(const nlohmann::json &value);

/* The line under the table: how many servers, how many answered, how
 * long it took, how many the cap dropped; with a filter on, how many of
 * them `shown` (the rows of the table) holds, and the filters; how to
 * join one, when the list is `kept` for that. */
std::string SummaryLine(const BrowseResult &result, const std::string &master, double seconds,
                        const ServerFilter &filter, const std::vector<size_t> &shown,
                        bool kept = true);

/* What the list lacks, a line each: an end the master never sent,
 * servers past the cap, answers that were not taken. */
std::vector<std::string> LimitNotes(const BrowseResult &result);

}  // namespace wolfet_host

#endif
