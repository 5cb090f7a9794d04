#include "stand_in_network.h"

#include <array>
#include <asio.hpp>
#include <deque>
#include <memory>
#include <random>
#include <set>
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
    Link link;
    int asked = 0;
  };
  explicit Impl(uint32_t seed) : random(seed) {}
  asio::io_context io;
  std::deque<Socket> sockets;
  Socket *stranger = nullptr;
  std::set<uint16_t> closed;
  std::mt19937 random;
  std::thread thread;

  bool Lost(double probability) {
    return probability > 0 && std::bernoulli_distribution(probability)(random);
  }

  void Send(udp::socket &from, const udp::endpoint &to, std::string bytes,
            std::chrono::milliseconds delay) {
    asio::error_code ignored;
    if (delay.count() <= 0) {
      from.send_to(asio::buffer(bytes), to, 0, ignored);
      return;
    }
    auto timer = std::make_shared<asio::steady_timer>(io, delay);
    timer->async_wait([timer, &from, to, bytes = std::move(bytes)](const asio::error_code &error) {
      asio::error_code ignored;
      if (!error) from.send_to(asio::buffer(bytes), to, 0, ignored);
    });
  }

  void Receive(Socket &s) {
    s.socket.async_receive_from(
        asio::buffer(s.buffer), s.from, [this, &s](const asio::error_code &error, size_t size) {
          if (error == asio::error::operation_aborted) return;
          if (!error && !Lost(s.link.request_loss)) {
            const int asked = ++s.asked;
            for (Reply &r : s.answer(std::string(s.buffer.data(), size), asked))
              if (!Lost(s.link.reply_loss))
                Send((r.from_stranger ? stranger : &s)->socket, s.from, std::move(r.bytes),
                     s.link.delay);
          }
          Receive(s);
        });
  }

  // A socket on a port that is not one of the closed ones.
  Socket &Open() {
    for (;;) {
      Socket &s = sockets.emplace_back(io);
      if (closed.count(s.socket.local_endpoint().port()) == 0) return s;
      sockets.pop_back();  // closes it again
    }
  }
};

StandInServers::StandInServers(uint32_t seed) : impl_(std::make_unique<Impl>(seed)) {
  impl_->stranger = &impl_->Open();
}

StandInServers::~StandInServers() {
  impl_->io.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

uint16_t StandInServers::Add(Answer answer, const Link &link) {
  Impl::Socket &s = impl_->Open();
  s.answer = std::move(answer);
  s.link = link;
  return s.socket.local_endpoint().port();
}

uint16_t StandInServers::AddClosed() {
  for (;;) {
    udp::socket socket(impl_->io, udp::endpoint(asio::ip::address_v4::loopback(), 0));
    if (impl_->closed.insert(socket.local_endpoint().port()).second)
      return socket.local_endpoint().port();
  }
}

void StandInServers::Start() {
  for (size_t i = 1; i < impl_->sockets.size(); ++i) impl_->Receive(impl_->sockets[i]);
  impl_->thread = std::thread([this] { impl_->io.run(); });
}

}  // namespace wolfet_host
