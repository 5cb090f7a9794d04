// The list `servers` keeps beside the settings file for `join --pick`:
// wolfet-host.json keeps wolfet-host.servers.json, {"master": ...,
// "servers": [...]} with the servers as --json prints them.
#ifndef TOOLS_HOST_SERVERS_KEPT_LIST_H
#define TOOLS_HOST_SERVERS_KEPT_LIST_H

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace wolfet_host {

std::string KeptListPath(const std::string &settings_path);

/* Replaces the list at `path` through a temporary, so a failed write
 * leaves the last list whole. A file there that is not such a list
 * (unreadable, no JSON, nested past kMaxJsonDepth) is never replaced.
 * Throws Error (kFile). */
void KeepServerList(const std::string &path, const std::string &master,
                    const nlohmann::json &servers);

/* The addresses of the last list `servers` kept for `settings_path`, in
 * the order of its `#` column. Throws Error: kBadInput when there is none
 * or it is damaged, kFile when it cannot be read. */
std::vector<std::string> StoredServerAddresses(const std::string &settings_path);

/* Refuses (Error, kBadInput) a `join --pick` of entry `pick` of the kept
 * list that et.exe cannot join: a server of another game, or one that
 * needs a password, which the launch script cannot carry, unless `force`.
 * An entry kept before these were known is taken as joinable; an index
 * out of the list is left to the launch to refuse. */
void CheckKeptPick(const std::string &settings_path, int pick, bool force);

}  // namespace wolfet_host

#endif
