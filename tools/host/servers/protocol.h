// The game's own UDP protocol (84) as the browser speaks it: the
// requests it sends and how the master's lists and the servers' info
// responses read. No sockets here.
#ifndef TOOLS_HOST_SERVERS_PROTOCOL_H
#define TOOLS_HOST_SERVERS_PROTOCOL_H

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

/* A master server named as HOST[:PORT]. */
struct MasterAddress {
  std::string host; /* an IPv4 address or a host name */
  uint16_t port = kDefaultMasterPort;
};

/* Reads HOST[:PORT] without looking the name up. Empty, with `why` saying
 * what is wrong (an IPv6 address among others: the game's masters speak
 * IPv4 only), when `text` names no master. */
std::optional<MasterAddress> ParseMasterAddress(std::string_view text, std::string *why);

struct ServerInfo {
  ServerEndpoint endpoint;
  bool answered = false;
  std::string name, map; /* as the server sent them, cut to 255 bytes */
  std::optional<int> players, max_players, game_type;
  double ping_ms = 0; /* when answered */
};

/* What the master is asked: every server of protocol 84, empty and full
 * ones too. */
std::string MasterQuery();

/* What a server is asked; its answer echoes `challenge`. */
std::string InfoRequest(std::string_view challenge);

/* How one master datagram reads. Addresses it holds (0.0.0.0 and port 0
 * skipped) are appended to `out` even when the datagram is cut short. */
enum class MasterPart { kNotAList, kMore, kEnd };
MasterPart ReadMasterList(std::string_view datagram, std::vector<ServerEndpoint> *out);

/* The key/value pairs of an info response; false when `datagram` is not
 * one. Values are cut to 255 bytes, a UTF-8 value before the character
 * that would be split. */
bool ReadInfoResponse(std::string_view datagram, std::map<std::string, std::string> *pairs);

/* Name, map, players, player limit and game type from an info response's
 * pairs; a number that is not one from 0 to 99999 stays unknown. */
void ReadServerInfo(const std::map<std::string, std::string> &pairs, ServerInfo *info);

}  // namespace wolfet_host

#endif
