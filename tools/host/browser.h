// Public server browsing over the game's own UDP protocol (84): the
// master's list, then every listed server's info, all within one
// deadline and on one socket.
#ifndef TOOLS_HOST_BROWSER_H
#define TOOLS_HOST_BROWSER_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wolfet_host {

constexpr uint16_t kDefaultMasterPort = 27950;

struct ServerEndpoint {
  uint32_t ip = 0; /* host byte order */
  uint16_t port = 0;
  bool operator==(const ServerEndpoint &o) const { return ip == o.ip && port == o.port; }
};

/* "a.b.c.d:port" */
std::string FormatEndpoint(const ServerEndpoint &endpoint);

struct ServerInfo {
  ServerEndpoint endpoint;
  bool answered = false;
  std::string name, map; /* as the server sent them, cut to 255 bytes */
  std::optional<int> players, max_players, game_type;
  double ping_ms = 0; /* when answered */
};

struct BrowseRequest {
  std::string master_host;
  uint16_t master_port = kDefaultMasterPort;
  double timeout_s = 3;
};

struct BrowseResult {
  std::vector<ServerInfo> servers; /* each address once, in the master's order */
  bool master_answered = false;    /* at least one list came from it */
  bool list_complete = false;      /* its end marker came before the deadline */
};

/* Asks the master, then every server it lists as soon as it is listed,
 * and returns at the deadline or once the list has ended and every server
 * has answered. Throws CommandError (kExitNoMaster) when the master's
 * name cannot be resolved. */
BrowseResult Browse(const BrowseRequest &request);

/* How one master datagram reads. Addresses it holds (0.0.0.0 and port 0
 * skipped) are appended to `out` even when the datagram is cut short. */
enum class MasterPart { kNotAList, kMore, kEnd };
MasterPart ReadMasterList(std::string_view datagram, std::vector<ServerEndpoint> *out);

/* The key/value pairs of an info response; false when `datagram` is not
 * one. Values are cut to 255 bytes. */
bool ReadInfoResponse(std::string_view datagram, std::map<std::string, std::string> *pairs);

}  // namespace wolfet_host

#endif
