#include "browser.h"

#include <array>
#include <asio.hpp>
#include <charconv>
#include <chrono>
#include <deque>
#include <functional>
#include <random>
#include <unordered_map>

#include "exit_codes.h"

namespace wolfet_host {
namespace {

using asio::ip::udp;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kOutOfBand("\xff\xff\xff\xff", 4);
constexpr std::string_view kListHead = "getserversResponse";
constexpr std::string_view kInfoHead = "infoResponse";
constexpr size_t kMaxValue = 255;
/* Info strings are at most 8 KB in the game; more is not read. */
constexpr size_t kMaxInfo = 8192;
/* A bound on what a master (or anyone posing as one) can make us keep. */
constexpr size_t kMaxServers = 20000;
/* Sends to silent servers, the first included. */
constexpr int kAttempts = 3;
/* Requests sent before the socket's replies get a turn. */
constexpr size_t kBurst = 64;

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

std::optional<int> Number(const std::map<std::string, std::string> &pairs, const char *key) {
  auto it = pairs.find(key);
  if (it == pairs.end()) return std::nullopt;
  int value = 0;
  const char *end = it->second.data() + it->second.size();
  auto [ptr, error] = std::from_chars(it->second.data(), end, value);
  if (error != std::errc() || ptr != end || value < 0 || value > 99999) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatEndpoint(const ServerEndpoint &e) {
  return std::to_string(e.ip >> 24) + "." + std::to_string((e.ip >> 16) & 0xFF) + "." +
         std::to_string((e.ip >> 8) & 0xFF) + "." + std::to_string(e.ip & 0xFF) + ":" +
         std::to_string(e.port);
}

MasterPart ReadMasterList(std::string_view datagram, std::vector<ServerEndpoint> *out) {
  if (!StartsWith(datagram, kOutOfBand)) return MasterPart::kNotAList;
  datagram.remove_prefix(kOutOfBand.size());
  if (!StartsWith(datagram, kListHead)) return MasterPart::kNotAList;
  datagram.remove_prefix(kListHead.size());
  /* Entries: '\' and six bytes. "\EOT" ends the list; its NULs may be cut. */
  while (datagram.size() >= 7 && datagram[0] == '\\') {
    if (datagram.substr(1, 6) == std::string_view("EOT\0\0\0", 6)) return MasterPart::kEnd;
    const auto *b = reinterpret_cast<const unsigned char *>(datagram.data() + 1);
    const ServerEndpoint e{
        (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3],
        static_cast<uint16_t>((b[4] << 8) | b[5])};
    if (e.ip != 0 && e.port != 0) out->push_back(e);
    datagram.remove_prefix(7);
  }
  return StartsWith(datagram, "\\EOT") ? MasterPart::kEnd : MasterPart::kMore;
}

bool ReadInfoResponse(std::string_view datagram, std::map<std::string, std::string> *pairs) {
  if (!StartsWith(datagram, kOutOfBand)) return false;
  datagram.remove_prefix(kOutOfBand.size());
  if (!StartsWith(datagram, kInfoHead)) return false;
  datagram = datagram.substr(kInfoHead.size(), kMaxInfo);
  if (!datagram.empty() && datagram[0] == '\n') datagram.remove_prefix(1);
  datagram = datagram.substr(0, datagram.find('\n'));
  if (!datagram.empty() && datagram[0] == '\\') datagram.remove_prefix(1);
  /* key\value\key\value; a key without its value is dropped. */
  while (!datagram.empty()) {
    const size_t key_end = datagram.find('\\');
    if (key_end == std::string_view::npos) break;
    const std::string_view key = datagram.substr(0, key_end);
    datagram.remove_prefix(key_end + 1);
    const size_t value_end = std::min(datagram.find('\\'), datagram.size());
    (*pairs)[std::string(key.substr(0, kMaxValue))] =
        std::string(datagram.substr(0, std::min(value_end, kMaxValue)));
    datagram.remove_prefix(std::min(value_end + 1, datagram.size()));
  }
  return true;
}

BrowseResult Browse(const BrowseRequest &request) {
  asio::io_context io;
  asio::error_code error;
  udp::resolver resolver(io);
  const auto found =
      resolver.resolve(udp::v4(), request.master_host, std::to_string(request.master_port), error);
  if (error || found.empty())
    throw CommandError(kExitNoMaster, "cannot find the master server \"" + request.master_host +
                                          "\": " + error.message());
  const udp::endpoint master = found.begin()->endpoint();

  udp::socket socket(io, udp::endpoint(udp::v4(), 0));
  /* A thousand answers can arrive together; a short buffer drops them. */
  socket.set_option(udp::socket::receive_buffer_size(4 << 20), error);

  struct Server {
    ServerInfo info;
    udp::endpoint endpoint;
    std::array<Clock::time_point, kAttempts> sent{};
    int attempts = 0;
  };
  std::vector<Server> servers;
  std::unordered_map<uint64_t, size_t> known;
  auto key = [](uint32_t ip, uint16_t port) { return (uint64_t{ip} << 16) | port; };
  std::deque<size_t> to_send;
  size_t answered = 0;
  BrowseResult result;

  /* The request's challenge names the attempt, so a late answer to the
   * first request is timed from the first request. */
  const std::string challenge = std::to_string(std::random_device{}() % 90000000 + 10000000);
  const std::string master_query = std::string(kOutOfBand) + "getservers 84 empty full";
  int master_attempts = 0;
  auto send = [&](const std::string &datagram, const udp::endpoint &to) {
    asio::error_code ignored;
    socket.send_to(asio::buffer(datagram), to, 0, ignored);
  };
  auto send_info = [&](Server &s) {
    s.sent[s.attempts] = Clock::now();
    send(std::string(kOutOfBand) + "getinfo " + challenge + char('0' + s.attempts), s.endpoint);
    ++s.attempts;
  };

  const auto start = Clock::now();
  const auto deadline =
      start + std::chrono::duration_cast<Clock::duration>(
                  std::chrono::duration<double>(std::max(request.timeout_s, 0.0)));
  const auto retry_after = (deadline - start) / (kAttempts + 1);
  asio::steady_timer end_timer(io, deadline), retry_timer(io);

  auto finish_if_done = [&] {
    if (result.list_complete && answered == servers.size()) io.stop();
  };
  std::function<void()> pump = [&] {
    for (size_t n = 0; n < kBurst && !to_send.empty(); ++n) {
      send_info(servers[to_send.front()]);
      to_send.pop_front();
    }
    if (!to_send.empty()) asio::post(io, pump);
  };
  auto from_master = [&](std::string_view datagram) {
    std::vector<ServerEndpoint> listed;
    const MasterPart part = ReadMasterList(datagram, &listed);
    if (part == MasterPart::kNotAList) return false;
    result.master_answered = true;
    const bool idle = to_send.empty();
    for (const ServerEndpoint &e : listed) {
      if (servers.size() >= kMaxServers || !known.emplace(key(e.ip, e.port), servers.size()).second)
        continue;
      Server s;
      s.info.endpoint = e;
      s.endpoint = udp::endpoint(asio::ip::address_v4(e.ip), e.port);
      servers.push_back(s);
      to_send.push_back(servers.size() - 1);
    }
    if (part == MasterPart::kEnd) result.list_complete = true;
    if (idle && !to_send.empty()) pump();
    finish_if_done();
    return true;
  };
  auto from_server = [&](const udp::endpoint &from, std::string_view datagram) {
    if (!from.address().is_v4()) return;
    auto it = known.find(key(from.address().to_v4().to_uint(), from.port()));
    if (it == known.end()) return;
    Server &s = servers[it->second];
    std::map<std::string, std::string> pairs;
    if (s.info.answered || !ReadInfoResponse(datagram, &pairs)) return;
    /* Only an answer to one of our requests counts, timed from that one. */
    const std::string &echo = pairs["challenge"];
    if (echo.size() != challenge.size() + 1 || echo.compare(0, challenge.size(), challenge) != 0)
      return;
    const int attempt = echo.back() - '0';
    if (attempt < 0 || attempt >= s.attempts) return;
    s.info.answered = true;
    s.info.ping_ms =
        std::chrono::duration<double, std::milli>(Clock::now() - s.sent[attempt]).count();
    s.info.name = pairs["hostname"];
    s.info.map = pairs["mapname"];
    s.info.players = Number(pairs, "clients");
    s.info.max_players = Number(pairs, "sv_maxclients");
    s.info.game_type = Number(pairs, "gametype");
    ++answered;
    finish_if_done();
  };

  std::vector<char> buffer(65536);
  udp::endpoint from;
  unsigned errors = 0;
  std::function<void()> receive = [&] {
    socket.async_receive_from(asio::buffer(buffer), from,
                              [&](const asio::error_code &e, size_t size) {
                                if (e == asio::error::operation_aborted) return;
                                /* Windows reports an earlier send's "port unreachable" here;
                                 * nothing to do but read on, unless the socket is broken. */
                                if (e && ++errors > 10000) return;
                                if (!e) {
                                  const std::string_view datagram(buffer.data(), size);
                                  /* The master may list itself as a game server too. */
                                  if (from != master || !from_master(datagram))
                                    from_server(from, datagram);
                                }
                                receive();
                              });
  };
  std::function<void()> retry = [&] {
    retry_timer.expires_after(retry_after);
    retry_timer.async_wait([&](const asio::error_code &e) {
      if (e) return;
      const auto now = Clock::now();
      if (!result.master_answered && master_attempts < kAttempts) {
        ++master_attempts;
        send(master_query, master);
      }
      for (Server &s : servers)
        if (!s.info.answered && s.attempts > 0 && s.attempts < kAttempts &&
            now - s.sent[s.attempts - 1] >= retry_after)
          send_info(s);
      retry();
    });
  };

  end_timer.async_wait([&](const asio::error_code &e) {
    if (!e) io.stop();
  });
  ++master_attempts;
  send(master_query, master);
  receive();
  retry();
  io.run();

  for (const Server &s : servers) result.servers.push_back(s.info);
  return result;
}

}  // namespace wolfet_host
