// stand-in-servers COUNT: a master server on 127.0.0.1 listing COUNT game
// servers, each on a port of its own, in datagrams of 100 entries. Each
// entry is followed by a separator, as the game's own client (and
// quakestat) reads them: a datagram that is not the last ends with a '\',
// the last with the end marker. Prints the master's port, then serves until its standard
// input closes.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "servers/stand_in_network.h"

using namespace wolfet_host;  // NOLINT: a program of one function

int main(int argc, char **argv) {
  const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
  if (count < 1 || count > 10000) {
    std::fprintf(stderr, "usage: stand-in-servers COUNT (1 to 10000)\n");
    return 2;
  }
  StandInServers net;
  std::vector<Reply> list;
  for (long i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const uint16_t port = net.Add(GameServer("\\hostname\\^3Stand-in ^7" + n + "\\mapname\\oasis" +
                                             "\\clients\\" + std::to_string(i % 20) +
                                             "\\sv_maxclients\\20\\gametype\\2\\protocol\\84"));
    if (i % 100 == 0) {
      if (!list.empty()) list.back().bytes += "\\";
      list.emplace_back(kMasterHead);
    }
    list.back().bytes += MasterEntry(kLoopback, port);
  }
  list.back().bytes += kMasterEnd;
  const uint16_t master = net.Add([list](const std::string &, int) { return list; });
  net.Start();
  std::cout << master << std::endl;
  std::string ignored;
  while (std::getline(std::cin, ignored)) {
  }
  return 0;
}
