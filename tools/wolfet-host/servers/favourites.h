// The servers a player keeps at hand: those starred as favourites, which
// every listing asks whatever the master says, and those joined lately.
// Kept in the host's files (host_files.h) as {"favourites": [ADDRESS...],
// "recent": [{"address", "name", "joined"}...]}.
#ifndef TOOLS_WOLFET_HOST_SERVERS_FAVOURITES_H
#define TOOLS_WOLFET_HOST_SERVERS_FAVOURITES_H

#include <string>
#include <vector>

#include "host_files.h"

namespace wolfet_host {

/* The most servers kept as joined lately; the oldest go first. */
constexpr size_t kMaxRecent = 20;

struct RecentServer {
  std::string address;
  std::string name;   /* as the list showed it when joined; empty when unknown */
  std::string joined; /* UTC, as 2026-12-08T10:15:00Z */
};

struct Bookmarks {
  std::vector<std::string> favourites; /* HOST:PORT, in the order starred */
  std::vector<RecentServer> recent;    /* newest first, each address once */
};

/* What is kept; empty when nothing is. Throws Error (kBadInput) naming
 * the file when it is not such a file. */
Bookmarks ReadBookmarks(const HostFiles &files);

/* Stars or unstars `address` (HOST[:PORT], port 27960 when not given,
 * checked as `info` checks one), under the files' lock. Returns the
 * address as kept. Throws Error: kBadInput for one that does not read,
 * kFile when the file cannot be written. */
std::string SetFavourite(const HostFiles &files, const std::string &address, bool starred);

/* Puts `address` first among the servers joined lately. */
void NoteJoined(const HostFiles &files, const std::string &address, const std::string &name);

}  // namespace wolfet_host

#endif
