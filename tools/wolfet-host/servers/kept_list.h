// The list `servers` keeps for `join --pick`: {"master": ..., "servers":
// [...]} with the servers as --json prints them, in the host's files
// (host_files.h).
#ifndef TOOLS_WOLFET_HOST_SERVERS_KEPT_LIST_H
#define TOOLS_WOLFET_HOST_SERVERS_KEPT_LIST_H

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host_files.h"

namespace wolfet_host {

/* Replaces the kept list whole, under the files' lock. A file there that
 * is not such a list (unreadable, no JSON, nested past kMaxJsonDepth) is
 * never replaced. When the new list cannot be written, the older one is
 * removed, so that `join --pick` never picks from a list other than the
 * one just shown; the message says when even that failed. Throws Error
 * (kFile). */
void KeepServerList(const HostFiles &files, const std::string &master,
                    const nlohmann::json &servers);

struct KeptList {
  std::string path;
  std::vector<std::string> addresses; /* in the order of the `#` column */
  nlohmann::json servers;
};

/* The last list kept. Throws Error: kBadInput when there is none or it
 * is damaged, kFile when it cannot be read. */
KeptList ReadKeptList(const HostFiles &files);

/* Refuses (Error, kBadInput) a `join --pick` of entry `pick` that et.exe
 * cannot join: a server of another game, or one that needs a password,
 * which the launch script cannot carry, unless `force`. An entry kept
 * before these were known is taken as joinable; an index out of the list
 * is left to the launch to refuse. */
void CheckKeptPick(const KeptList &kept, int pick, bool force);

}  // namespace wolfet_host

#endif
