// The public games: the master server the settings (or --master) name,
// asked with the browser, and the list kept for `join --pick`. Results
// only; `servers` and the graphical host show them.
#ifndef TOOLS_WOLFET_HOST_SERVERS_LISTING_H
#define TOOLS_WOLFET_HOST_SERVERS_LISTING_H

#include <functional>
#include <string>
#include <vector>

#include "browser.h"

namespace wolfet_host {

class Session;

struct ListingRequest {
  std::string master; /* HOST[:PORT]; empty: the engine page's master server */
  double timeout_s = 3;
  bool status = false; /* ask each answering server for its rules and players too */
  std::function<void(const BrowseProgress &)> progress = nullptr;
  bool progress_rows = false; /* the progress carries the servers too */
  /* Told the master's "host:port" just before it is asked. */
  std::function<void(const std::string &master)> asking = nullptr;
};

struct ServerListing {
  bool off = false;    /* public servers are off in the settings: no master was asked */
  std::string master;  /* "host:port" as asked */
  BrowseResult result; /* the favourites first, then the master's list in its order */
  double seconds = 0;
  std::string master_error; /* why the master gave no list, when favourites are shown alone */
};

/* A master's text and where it came from, for errors to name. */
struct MasterChoice {
  std::string text;
  std::string source; /* "--master" or the setting */
  std::string fix;    /* how to give another */
};

/* What a listing will ask, read from the session beforehand, so that the
 * asking itself (RunListing) needs none and may run on a thread of its
 * own. Throws Error (kBadInput) for a master address that does not read. */
struct ListingPlan {
  ListingRequest request;
  bool off = false; /* no master: public servers are off and none was named */
  MasterChoice master;
  std::vector<std::string> favourites;
};
ListingPlan PlanListing(Session &session, const ListingRequest &request);
ServerListing RunListing(const ListingPlan &plan);

/* Asks the favourites and the master and its servers. Throws Error:
 * kBadInput for a master address that does not read, kNoAnswer when the
 * master cannot be found or sends no list in time and there are no
 * favourites to show instead (with favourites, `master_error` says it);
 * each message names where the master came from and how to name
 * another. */
ServerListing ListServers(Session &session, const ListingRequest &request);

}  // namespace wolfet_host

#endif
