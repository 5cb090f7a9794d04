// stand-in-servers COUNT [--internet]: a master server on 127.0.0.1
// listing COUNT game servers, each on a port of its own, in datagrams of
// 100 entries. Each entry is followed by a separator, as the game's own
// client (and quakestat) reads them: a datagram that is not the last ends
// with a '\', the last with the end marker.
//
// --internet makes the servers a simulated internet: each its own round
// trip from 20 to 300 ms, 2% of the requests and 2% of the replies lost,
// 5% on closed ports and 5% silent; the master answers after 100 ms and
// loses nothing, so the runs differ in how the servers are asked. The
// same servers every run (a fixed seed).
//
// Each answering server also answers getstatus with its players and bots.
//
// Prints the master's port, then a line with the ports of the servers
// that answer, then serves until its standard input closes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "stand_in_network.h"

using namespace wolfet_host;  // NOLINT: a program of one function

namespace {

constexpr uint32_t kSeed = 20;
constexpr int kMinRoundTripMs = 20, kMaxRoundTripMs = 300;
constexpr double kLoss = 0.02;
constexpr double kClosedShare = 0.05, kSilentShare = 0.05;
constexpr std::chrono::milliseconds kMasterDelay{100};

enum class Kind { kLive, kClosed, kSilent };

/* Server `i` as this game's servers are: up to 19 players, a third of
 * them bots (ping 0 in the status), `humans` sent by every other one (the
 * newer servers), a mod on most, a password on every tenth. */
Answer LiveServer(long i) {
  static const char *const kMods[] = {"", "legacy", "etpro", "jaymod", "nq"};
  const int clients = static_cast<int>(i % 20), bots = clients / 3;
  std::vector<Player> players;
  for (int p = 0; p < clients; ++p)
    players.push_back(
        {(p < bots ? "^5Bot " : "^7Player ") + std::to_string(p), p * 3, p < bots ? 0 : 20 + p});
  ServerKeys keys;
  keys.mod = kMods[i % 5];
  keys.needpass = i % 10 == 7;
  keys.humans = i % 2 == 0 ? clients - bots : -1;
  return GameServer("\\hostname\\^3Stand-in ^7" + std::to_string(i) +
                        "\\mapname\\oasis\\clients\\" + std::to_string(clients) +
                        "\\sv_maxclients\\20\\gametype\\2" + InfoPairs(keys),
                    players);
}

}  // namespace

int main(int argc, char **argv) {
  const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
  const bool internet = argc > 2 && std::strcmp(argv[2], "--internet") == 0;
  if (count < 1 || count > 10000 || argc > 3 || (argc > 2 && !internet)) {
    std::fprintf(stderr, "usage: stand-in-servers COUNT (1 to 10000) [--internet]\n");
    return 2;
  }
  std::mt19937 random(kSeed);
  std::vector<Kind> kinds(static_cast<size_t>(count), Kind::kLive);
  if (internet) {
    const auto closed = static_cast<size_t>(count * kClosedShare);
    const auto silent = static_cast<size_t>(count * kSilentShare);
    std::fill_n(kinds.begin(), closed, Kind::kClosed);
    std::fill_n(kinds.begin() + static_cast<long>(closed), silent, Kind::kSilent);
    std::shuffle(kinds.begin(), kinds.end(), random);
  }
  std::uniform_int_distribution<int> round_trip_ms(kMinRoundTripMs, kMaxRoundTripMs);

  StandInServers net(kSeed);
  std::vector<Reply> list;
  std::string live;
  for (long i = 0; i < count; ++i) {
    uint16_t port = 0;
    switch (kinds[static_cast<size_t>(i)]) {
      case Kind::kClosed:
        port = net.AddClosed();
        break;
      case Kind::kSilent:
        port = net.Add([](const std::string &, int) { return std::vector<Reply>{}; });
        break;
      case Kind::kLive:
        Link link;
        if (internet) {
          link.delay = std::chrono::milliseconds(round_trip_ms(random));
          link.request_loss = link.reply_loss = kLoss;
        }
        port = net.Add(LiveServer(i), link);
        live += (live.empty() ? "" : " ") + std::to_string(port);
        break;
    }
    if (i % 100 == 0) {
      if (!list.empty()) list.back().bytes += "\\";
      list.emplace_back(kMasterHead);
    }
    list.back().bytes += MasterEntry(kLoopback, port);
  }
  list.back().bytes += kMasterEnd;
  Link master_link;
  if (internet) master_link.delay = kMasterDelay;
  const uint16_t master = net.Add([list](const std::string &, int) { return list; }, master_link);
  net.Start();
  std::cout << master << "\n" << live << std::endl;
  std::string ignored;
  while (std::getline(std::cin, ignored)) {
  }
  return 0;
}
