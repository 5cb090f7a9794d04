// A stand-in master server and game servers on 127.0.0.1, each a UDP
// socket of its own, answered from one thread with Asio: the public
// internet of the demo, the tests and the browse benchmark.
#ifndef TOOLS_HOST_SERVERS_STAND_IN_NETWORK_H
#define TOOLS_HOST_SERVERS_STAND_IN_NETWORK_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "servers/protocol.h"

namespace wolfet_host {

struct Reply {
  Reply(std::string b, bool s = false) : bytes(std::move(b)), from_stranger(s) {}  // NOLINT
  std::string bytes;
  bool from_stranger;  // sent from a socket no one asked
};

// What a socket sends back for one request; `asked` counts from 1.
using Answer = std::function<std::vector<Reply>(const std::string &request, int asked)>;

// The way between the browser and one stand-in, as the internet makes
// it: each reply comes `delay` after its request (a timer, so the other
// stand-ins answer meanwhile), and each way a datagram is lost with its
// probability.
struct Link {
  std::chrono::milliseconds delay{0};
  double request_loss = 0, reply_loss = 0;
};

class StandInServers {
 public:
  // `seed` draws the losses, so a run can be played again.
  explicit StandInServers(uint32_t seed = 1);
  ~StandInServers();
  // Before Start(). Returns the socket's port.
  uint16_t Add(Answer answer, const Link &link = {});
  // A port that was bound and closed again, so the kernel refuses what is
  // sent to it (ICMP port unreachable); no later Add() takes it.
  uint16_t AddClosed();
  void Start();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Pieces of the game's datagrams.
extern const std::string kMasterHead;  // \xff\xff\xff\xffgetserversResponse
extern const std::string kMasterEnd;   // \EOT and three NULs
std::string MasterEntry(uint32_t ip, uint16_t port);
constexpr uint32_t kLoopback = 0x7F000001;

// A game server: answers getinfo with the challenge and `pairs`
// ("\key\value..."), and getstatus with them as its rules and a line
// for each of `players`.
Answer GameServer(const std::string &pairs, const std::vector<Player> &players = {});

// What a server of the engine family puts in its info answer beside its
// name and map: this game's server by default, or another game's, which
// names the password flag and the humans otherwise.
struct ServerKeys {
  int protocol = 84;
  std::string gamename = "et";
  std::string mod;  // the `game` key; not sent when empty
  bool needpass = false;
  int humans = -1;              // not sent when negative
  bool this_games_keys = true;  // needpass and humans, else g_needpass and g_humanplayers
};
std::string InfoPairs(const ServerKeys &keys);

}  // namespace wolfet_host

#endif
