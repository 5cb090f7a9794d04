// Public server browsing: the master's list, then every listed server's
// info, all within one deadline, ending as soon as every server is
// accounted for.
#ifndef TOOLS_HOST_SERVERS_BROWSER_H
#define TOOLS_HOST_SERVERS_BROWSER_H

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "protocol.h"

namespace wolfet_host {

/* A bound on what a master (or anyone posing as one) can make us keep:
 * the servers past it are neither asked nor listed, and the result says
 * how many there were. */
constexpr size_t kMaxServers = 20000;

/* Servers asked at once, each on a socket of its own: few enough that a
 * slow connection does not drop their answers and that the sockets take
 * half the usual limit of 1024 open files at most (a lower limit lowers
 * the bound to the sockets it allows), enough that a thousand servers at
 * the internet's round trips, silent ones among them, are done in about
 * a second and a half. A list of 5,000 such takes the whole 3 s. */
constexpr size_t kMaxInFlight = 512;

/* How far a browse has come, for a progress line. */
struct BrowseProgress {
  size_t answered = 0;
  size_t listed = 0;
  double elapsed_s = 0;
  std::vector<ServerInfo> servers; /* as far as they are known, when the request asks */
};

struct BrowseRequest {
  std::string master_host;
  uint16_t master_port = kDefaultMasterPort;
  double timeout_s = 3; /* the name's look-up included */
  size_t max_servers = kMaxServers;
  bool status = false; /* ask each answering server for its rules and players too */
  /* Servers asked whatever the master lists (or whether it answers),
   * first, marked as favourites. */
  std::vector<ServerEndpoint> also = {};
  size_t max_in_flight = kMaxInFlight;
  /* Called every tenth of a second while the browse runs, on the thread
   * that called Browse (or QueryServers); with `progress_rows`, each call
   * also carries every server as far as it is known, for a table that
   * fills in while the answers come. */
  std::function<void(const BrowseProgress &)> progress = nullptr;
  bool progress_rows = false;
};

struct BrowseResult {
  std::vector<ServerInfo> servers; /* each address once, in the master's order */
  bool master_answered = false;    /* at least one list came from it */
  int master_asked = 0;            /* requests sent to it */
  bool list_complete = false;      /* its end marker came before the deadline */
  size_t max_servers = kMaxServers;
  size_t listed_past_cap = 0; /* entries the master listed once `servers` was full */
  size_t answers_dropped = 0; /* info answers from no listed server, or to no request of ours */
};

/* Asks the master, then every server it lists as soon as it is listed
 * (no more than `max_in_flight` at once), and returns at the deadline or
 * once the list has ended and every server has answered (its status too
 * when asked for), been refused (`reachable` false) or missed its last
 * retry. Silent servers and the master are asked up to three times in
 * all, the resends spaced by the round trips seen so far. Throws
 * Error (kNoAnswer) when the master's name cannot be resolved
 * before the deadline. */
BrowseResult Browse(const BrowseRequest &request);

/* Asks `servers` as Browse asks the servers a master lists, without a
 * master; `request.master_host` is not used. */
BrowseResult QueryServers(const std::vector<ServerEndpoint> &servers, const BrowseRequest &request);

/* How a name becomes IPv4 addresses (host byte order); the system's
 * resolver unless a test stands in for it. Fills `error` when it fails. */
using LookUp = std::function<std::vector<uint32_t>(const std::string &host, std::string *error)>;
std::vector<uint32_t> SystemLookUp(const std::string &host, std::string *error);

/* The first IPv4 address of `host`, looked up on a thread of its own that
 * is left to finish alone once `end` has come: a name server that does not
 * answer holds the system's resolver for far longer than any --timeout.
 * Throws Error (kNoAnswer) when none is found by then, naming
 * `host` as `what` ("the master server", "the server"). */
uint32_t ResolveBefore(const std::string &host, std::chrono::steady_clock::time_point end,
                       const LookUp &look_up = SystemLookUp,
                       const std::string &what = "the master server");

}  // namespace wolfet_host

#endif
