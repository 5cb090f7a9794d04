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
constexpr uint16_t kDefaultServerPort = 27960;
/* What this game's servers send as `protocol` and `gamename`. */
constexpr int kGameProtocol = 84;
extern const char kGameName[];
/* The folder of a server of this game that runs no mod: it sends no
 * `game` key then. */
extern const char kBaseMod[];

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

/* A game server named as HOST[:PORT], read as a master's name is. */
struct ServerAddress {
  std::string host;
  uint16_t port = kDefaultServerPort;
};
std::optional<ServerAddress> ParseServerAddress(std::string_view text, std::string *why);

/* One line of a status answer: `score ping "name"`; the name as sent,
 * colour codes kept, cut to 255 bytes. Bots have ping 0. */
struct Player {
  std::string name;
  int score = 0;
  int ping = 0;
};

/* A status answer: the server's rules and everyone on it. */
struct ServerStatus {
  std::map<std::string, std::string> rules;
  std::vector<Player> players;
};

struct ServerInfo {
  ServerEndpoint endpoint;
  bool answered = false;
  std::string name, map; /* as the server sent them, cut to 255 bytes */
  std::optional<int> players, max_players, game_type;
  double ping_ms = 0; /* when answered */
  std::optional<int> protocol;
  std::optional<std::string> game; /* `gamename` */
  std::optional<std::string> mod;  /* `game`; kBaseMod for this game's servers without one */
  std::optional<bool> needpass;
  std::optional<int> humans;
  bool reachable = true;              /* false once the server's host said its port is closed */
  std::optional<ServerStatus> status; /* when asked for and answered */
  int asked = 0;                      /* info requests sent to it */
  bool favourite = false;             /* starred: asked whatever the master lists */
};

/* False for a server that says it is of another protocol or game; one
 * that says neither (or nothing, being silent) was listed for protocol 84
 * and is taken at the master's word. */
bool IsThisGame(const ServerInfo &info);

/* Why et.exe cannot join a server of another game, as the table shows it:
 * "other game (protocol 68)", or with the game's name when the protocol
 * is this game's. Empty for this game's servers. */
std::string OtherGame(const std::optional<int> &protocol, const std::optional<std::string> &game);

/* How many of a server's players are people and how many bots, the one
 * count the table, the JSON and the filters share. A server that sends
 * `humans` (or `g_humanplayers`) is taken at its word, the rest of its
 * clients being bots; else its status, where a bot's ping is 0, when it
 * lists as many players as the info counted. Unknown otherwise. */
std::optional<int> Humans(const ServerInfo &info);
std::optional<int> Bots(const ServerInfo &info);

/* What the master is asked: every server of protocol 84, empty and full
 * ones too. */
std::string MasterQuery();

/* What a server is asked; its answer echoes `challenge`. */
std::string InfoRequest(std::string_view challenge);

/* What a server is asked for its rules and players; the rules echo
 * `challenge`. */
std::string StatusRequest(std::string_view challenge);

/* How one master datagram reads. Addresses it holds (0.0.0.0 and port 0
 * skipped) are appended to `out` even when the datagram is cut short. */
enum class MasterPart { kNotAList, kMore, kEnd };
MasterPart ReadMasterList(std::string_view datagram, std::vector<ServerEndpoint> *out);

/* The key/value pairs of an info response; false when `datagram` is not
 * one. Values are cut to 255 bytes, a UTF-8 value before the character
 * that would be split. */
bool ReadInfoResponse(std::string_view datagram, std::map<std::string, std::string> *pairs);

/* The rules and players of a status response; false when `datagram` is
 * not one. Rules are read as an info response's pairs are; a player line
 * that does not read as `score ping "name"` is skipped, and no more than
 * kMaxPlayers are kept. */
constexpr size_t kMaxPlayers = 256;
bool ReadStatusResponse(std::string_view datagram, ServerStatus *status);

/* Name, map, players, player limit, game type, protocol, game name, mod,
 * password flag and humans from an info response's pairs; a number that
 * is not one from 0 to 99999 stays unknown. Servers of this game send
 * `needpass` and `humans`, others of the engine family `g_needpass` and
 * `g_humanplayers`: either is read. */
void ReadServerInfo(const std::map<std::string, std::string> &pairs, ServerInfo *info);

}  // namespace wolfet_host

#endif
