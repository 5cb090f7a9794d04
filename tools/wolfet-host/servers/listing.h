// The public games: the master server the settings (or --master) name,
// asked with the browser, and the list kept for `join --pick`. Results
// only; `servers` and the graphical host show them.
#ifndef TOOLS_WOLFET_HOST_SERVERS_LISTING_H
#define TOOLS_WOLFET_HOST_SERVERS_LISTING_H

#include <functional>
#include <string>

#include "browser.h"

namespace wolfet_host {

class Session;

struct ListingRequest {
  std::string master; /* HOST[:PORT]; empty: the engine page's master server */
  double timeout_s = 3;
  bool status = false; /* ask each answering server for its rules and players too */
  std::function<void(const BrowseProgress &)> progress = nullptr;
  /* Told the master's "host:port" just before it is asked. */
  std::function<void(const std::string &master)> asking = nullptr;
};

struct ServerListing {
  bool off = false;    /* public servers are off in the settings: no one was asked */
  std::string master;  /* "host:port" as asked */
  BrowseResult result; /* in the order the master listed them */
  double seconds = 0;
};

/* Asks the master and its servers. Throws Error: kBadInput for a master
 * address that does not read, kNoAnswer when the master cannot be found
 * or sends no list in time; each message names where the master came
 * from and how to name another. */
ServerListing ListServers(Session &session, const ListingRequest &request);

}  // namespace wolfet_host

#endif
