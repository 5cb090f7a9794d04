// The list `servers` keeps beside the settings file for `join --pick`:
// wolfet-host.json keeps wolfet-host.servers.json, {"master": ...,
// "servers": [...]} with the servers as --json prints them.
#ifndef TOOLS_HOST_SERVERS_KEPT_LIST_H
#define TOOLS_HOST_SERVERS_KEPT_LIST_H

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace wolfet_host {

std::string KeptListPath(const std::string &settings_path);

/* Replaces the list at `path` through a temporary, so a failed write
 * leaves the last list whole. Throws CommandError (kExitFailure). */
void KeepServerList(const std::string &path, const std::string &master,
                    const nlohmann::json &servers);

/* StoredServerAddresses (servers_command.h) reads it back. A file at
 * `path` that is not such a list (unreadable, no JSON, nested past
 * kMaxJsonDepth) is never replaced: KeepServerList throws kExitFailure;
 * reading it back, an unreadable list is kExitFailure, a damaged one
 * kExitBadArgument. */

}  // namespace wolfet_host

#endif
