#include "stand_in_network.h"

#include <array>
#include <asio.hpp>
#include <deque>
#include <thread>

namespace wolfet_host {

using asio::ip::udp;

const std::string kMasterHead = "\xff\xff\xff\xffgetserversResponse";
const std::string kMasterEnd("\\EOT\0\0\0", 7);

std::string MasterEntry(uint32_t ip, uint16_t port) {
  std::string entry = "\\";
  for (int shift : {24, 16, 8, 0}) entry += static_cast<char>(ip >> shift);
  return entry + static_cast<char>(port >> 8) + static_cast<char>(port);
}

Answer GameServer(const std::string &pairs, const std::vector<Player> &players) {
  std::string lines;
  for (const Player &p : players)
    lines += std::to_string(p.score) + " " + std::to_string(p.ping) + " \"" + p.name + "\"\n";
  return [pairs, lines](const std::string &request, int) -> std::vector<Reply> {
    const std::string oob = "\xff\xff\xff\xff";
    // "getinfo CHALLENGE"; quakestat asks "getinfo\n", with none.
    for (const char *ask : {"getinfo", "getstatus"}) {
      const std::string head = oob + ask;
      if (request.rfind(head, 0) != 0) continue;
      const std::string challenge =
          request.size() > head.size() + 1 ? request.substr(head.size() + 1) : "";
      if (ask[3] == 'i') return {oob + "infoResponse\n\\challenge\\" + challenge + pairs};
      return {oob + "statusResponse\n\\challenge\\" + challenge + pairs + "\n" + lines};
    }
    return {};
  };
}

std::string InfoPairs(const ServerKeys &keys) {
  std::string pairs =
      "\\protocol\\" + std::to_string(keys.protocol) + "\\gamename\\" + keys.gamename;
  if (!keys.mod.empty()) pairs += "\\game\\" + keys.mod;
  pairs += std::string(keys.this_games_keys ? "\\needpass\\" : "\\g_needpass\\") +
           (keys.needpass ? "1" : "0");
  if (keys.humans >= 0)
    pairs +=
        (keys.this_games_keys ? "\\humans\\" : "\\g_humanplayers\\") + std::to_string(keys.humans);
  return pairs;
}

struct StandInServers::Impl {
  struct Socket {
    explicit Socket(asio::io_context &io)
        : socket(io, udp::endpoint(asio::ip::address_v4::loopback(), 0)) {}
    udp::socket socket;
    udp::endpoint from;
    std::array<char, 65536> buffer;
    Answer answer;
    int asked = 0;
  };
  asio::io_context io;
  std::deque<Socket> sockets;
  Socket *stranger = nullptr;
  std::thread thread;

  void Receive(Socket &s) {
    s.socket.async_receive_from(
        asio::buffer(s.buffer), s.from, [this, &s](const asio::error_code &error, size_t size) {
          if (error == asio::error::operation_aborted) return;
          if (!error) {
            const int asked = ++s.asked;
            for (const Reply &r : s.answer(std::string(s.buffer.data(), size), asked)) {
              asio::error_code ignored;
              (r.from_stranger ? stranger : &s)
                  ->socket.send_to(asio::buffer(r.bytes), s.from, 0, ignored);
            }
          }
          Receive(s);
        });
  }
};

StandInServers::StandInServers() : impl_(std::make_unique<Impl>()) {
  impl_->stranger = &impl_->sockets.emplace_back(impl_->io);
}

StandInServers::~StandInServers() {
  impl_->io.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

uint16_t StandInServers::Add(Answer answer) {
  Impl::Socket &s = impl_->sockets.emplace_back(impl_->io);
  s.answer = std::move(answer);
  return s.socket.local_endpoint().port();
}

void StandInServers::Start() {
  for (size_t i = 1; i < impl_->sockets.size(); ++i) impl_->Receive(impl_->sockets[i]);
  impl_->thread = std::thread([this] { impl_->io.run(); });
}

}  // namespace wolfet_host
