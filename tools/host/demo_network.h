// The demo's stand-in for the public internet: a master server and a few
// game servers on 127.0.0.1, answering the game's own protocol from a
// thread of their own for as long as the object lives.
#ifndef TOOLS_HOST_DEMO_NETWORK_H
#define TOOLS_HOST_DEMO_NETWORK_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wolfet_host {

struct DemoServer {
  std::string name, map;
  int players, max_players, game_type;
};

class DemoNetwork {
 public:
  /* Binds every socket on 127.0.0.1 (ports the system picks) and starts
   * answering; `silent` more servers are listed but never answer. Throws
   * CommandError when a socket cannot be made. */
  DemoNetwork(const std::vector<DemoServer> &servers, int silent);
  ~DemoNetwork();
  DemoNetwork(const DemoNetwork &) = delete;
  DemoNetwork &operator=(const DemoNetwork &) = delete;

  /* "127.0.0.1:port" of the master. */
  std::string master() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace wolfet_host

#endif
