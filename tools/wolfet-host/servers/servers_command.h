// servers: the public games the master server lists, as the launcher
// shows them, and the list `join --pick` later picks from.
#ifndef TOOLS_HOST_SERVERS_SERVERS_COMMAND_H
#define TOOLS_HOST_SERVERS_SERVERS_COMMAND_H

#include <string>
#include <vector>

#include "server_filter.h"

namespace wolfet_host {

class Session;
struct BrowseResult;

struct ServersOptions {
  std::string master; /* HOST[:PORT]; empty: the engine page's master server */
  double timeout_s = 3;
  bool json = false;
  bool players = false; /* ask each server's status and show its players and rules */
  ServerFilter filter;  /* what the table and --json show; the list kept is whole */
  ServerSort sort = ServerSort::kPing;
};

/* Lists the public servers and keeps the list beside the settings file
 * for `join --pick`; a list that cannot be kept is still shown, and then
 * ends the command with exit code 1. With --json, standard output holds
 * one JSON array whatever happens, empty when there is no list. */
int RunServers(Session &session, const ServersOptions &options);

/* The line under the table: how many servers, how many answered, how
 * long it took, how many the cap dropped; with a filter on, how many of
 * them `shown` (the rows of the table) holds, and the filters. */
std::string SummaryLine(const BrowseResult &result, const std::string &master, double seconds,
                        const ServerFilter &filter, const std::vector<size_t> &shown);

/* What standard error says the list lacks: an end the master never sent,
 * servers past the cap, answers that were not taken. */
std::vector<std::string> LimitNotes(const BrowseResult &result);

/* The addresses of the last list `servers` kept for `settings_path`, in
 * the order of its `#` column. Throws CommandError: a bad argument when
 * there is none or it is damaged, a file failure when it cannot be read. */
std::vector<std::string> StoredServerAddresses(const std::string &settings_path);

/* Refuses a `join --pick` of entry `pick` of the kept list that et.exe
 * cannot join: a server of another game (kExitBadArgument), or one that
 * needs a password, which the launch script cannot carry, unless `force`.
 * An entry kept before these were known is taken as joinable; an index
 * out of the list is left to the launch to refuse. */
void CheckKeptPick(const std::string &settings_path, int pick, bool force);

}  // namespace wolfet_host

#endif
