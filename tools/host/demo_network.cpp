#include "demo_network.h"

#include <asio.hpp>
#include <thread>

#include "exit_codes.h"

namespace wolfet_host {

using asio::ip::udp;

namespace {

const std::string kOutOfBand("\xff\xff\xff\xff", 4);

/* One socket and what it says to each datagram it gets. */
struct Responder {
  Responder(asio::io_context &io, std::string (*answer)(const Responder &, const std::string &))
      : socket(io, udp::endpoint(asio::ip::address_v4::loopback(), 0)), answer(answer) {}
  udp::socket socket;
  std::string (*answer)(const Responder &, const std::string &);
  std::string payload; /* the master's list, or a server's info pairs */
  std::vector<char> buffer = std::vector<char>(2048);
  udp::endpoint from;

  void Receive() {
    socket.async_receive_from(asio::buffer(buffer), from, [this](asio::error_code e, size_t n) {
      if (e == asio::error::operation_aborted) return;
      if (!e) {
        const std::string reply = answer(*this, std::string(buffer.data(), n));
        asio::error_code ignored;
        if (!reply.empty()) socket.send_to(asio::buffer(reply), from, 0, ignored);
      }
      Receive();
    });
  }
};

std::string MasterAnswer(const Responder &self, const std::string &request) {
  return request == kOutOfBand + "getservers 84 empty full" ? self.payload : std::string();
}

/* The challenge comes back as the game does it, among the info pairs. */
std::string ServerAnswer(const Responder &self, const std::string &request) {
  const std::string head = kOutOfBand + "getinfo ";
  if (request.compare(0, head.size(), head) != 0) return std::string();
  return kOutOfBand + "infoResponse\n\\challenge\\" + request.substr(head.size()) + self.payload;
}

std::string Entry(uint16_t port) {
  const char bytes[] = {
      '\\', 127, 0, 0, 1, static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
  return std::string(bytes, sizeof bytes);
}

}  // namespace

struct DemoNetwork::Impl {
  asio::io_context io;
  std::vector<std::unique_ptr<Responder>> responders;
  std::thread thread;
};

DemoNetwork::DemoNetwork(const std::vector<DemoServer> &servers, int silent)
    : impl_(std::make_unique<Impl>()) {
  try {
    auto &list = impl_->responders;
    list.push_back(std::make_unique<Responder>(impl_->io, MasterAnswer));
    std::string entries;
    for (const DemoServer &s : servers) {
      list.push_back(std::make_unique<Responder>(impl_->io, ServerAnswer));
      list.back()->payload = "\\hostname\\" + s.name + "\\mapname\\" + s.map + "\\clients\\" +
                             std::to_string(s.players) + "\\sv_maxclients\\" +
                             std::to_string(s.max_players) + "\\gametype\\" +
                             std::to_string(s.game_type) + "\\protocol\\84";
      entries += Entry(list.back()->socket.local_endpoint().port());
    }
    /* A silent server's socket stays bound but never reads, so its port
     * is not handed to anyone else while the demo runs. */
    std::vector<std::unique_ptr<Responder>> mute;
    for (int i = 0; i < silent; ++i) {
      mute.push_back(std::make_unique<Responder>(impl_->io, nullptr));
      entries += Entry(mute.back()->socket.local_endpoint().port());
    }
    list.front()->payload =
        kOutOfBand + "getserversResponse" + entries + "\\EOT" + std::string(3, '\0');
    for (auto &r : list) r->Receive();
    for (auto &r : mute) list.push_back(std::move(r));
  } catch (const std::exception &e) {
    throw CommandError(kExitFailure,
                       std::string("cannot open the demo's servers on 127.0.0.1: ") + e.what());
  }
  impl_->thread = std::thread([this] { impl_->io.run(); });
}

DemoNetwork::~DemoNetwork() {
  impl_->io.stop();
  impl_->thread.join();
}

std::string DemoNetwork::master() const {
  return "127.0.0.1:" + std::to_string(impl_->responders.front()->socket.local_endpoint().port());
}

}  // namespace wolfet_host
