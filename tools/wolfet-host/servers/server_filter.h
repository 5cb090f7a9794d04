// What `servers` shows of the list it found: the filters that narrow the
// table and the JSON, and the order the list is kept in. Each filter is
// one row of FilterKinds(): its option, its help, how its value reads and
// which servers it keeps. The command line's options, the summary line
// and the graphical host's filters are all made from that table.
#ifndef TOOLS_WOLFET_HOST_SERVERS_SERVER_FILTER_H
#define TOOLS_WOLFET_HOST_SERVERS_SERVER_FILTER_H

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

/* What a filter compares with, read from what was typed. */
struct FilterValue {
  std::string text; /* folded: colour codes dropped, ASCII case aside */
  double number = 0;
};

struct FilterKind {
  const char *option;     /* "--map" */
  const char *value_name; /* "NAME", "MS", ...; null for a flag */
  std::string help;
  bool needs_status; /* needs each server's players: the status is asked for */
  /* Reads a value typed; returns why it does not read, empty when it does. */
  std::string (*read)(const std::string &typed, FilterValue *value);
  /* Whether `server` passes. A filter that needs what a server did not say
   * (a silent one says nothing) leaves it out. */
  bool (*keep)(const ServerInfo &server, const FilterValue &value);
};

/* Every filter, in the order the summary names them. */
const std::vector<FilterKind> &FilterKinds();

struct ServerFilter {
  struct Chosen {
    const FilterKind *kind;
    std::string typed;
    FilterValue value;
  };
  std::vector<Chosen> chosen;

  /* Adds the filter of `option` (a flag's `typed` is empty); returns why
   * it cannot be added, empty when it is. */
  std::string Add(std::string_view option, const std::string &typed = "");
  bool On() const { return !chosen.empty(); }
  bool NeedsStatus() const;
  /* The options as typed, for the summary to name: "--not-full --map x". */
  std::string Typed() const;
};

/* Orders the list as it is kept and shown, so that `#` counts down the
 * table when nothing is filtered: fastest first by default; most players
 * first; or by name or map without colour codes, case aside. Ties keep
 * the faster first, and the silent ones come last in the master's order. */
void SortServers(ServerSort sort, std::vector<ServerInfo> *servers);

/* The indices into `servers` that pass every filter, in the list's order. */
std::vector<size_t> Filter(const std::vector<ServerInfo> &servers, const ServerFilter &filter);

}  // namespace wolfet_host

#endif
