#include "browser.h"

#include <algorithm>
#include <array>
#include <asio.hpp>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_map>

#include "exit_codes.h"

namespace wolfet_host {
namespace {

using asio::ip::udp;
using Clock = std::chrono::steady_clock;

/* Sends to silent servers (and to a silent master), the first included. */
constexpr int kAttempts = 3;
/* Requests sent before the socket's replies get a turn. */
constexpr size_t kBurst = 64;

/* The whole query's end, and the pause before each resend: the attempts
 * spread over it with a last wait for the answers to the last one. */
class Deadline {
 public:
  explicit Deadline(Clock::time_point end)
      : span_(std::max(end - Clock::now(), Clock::duration::zero())),
        end_(end),
        retry_after_(span_ / (kAttempts + 1)) {}
  Clock::time_point end() const { return end_; }
  Clock::duration retry_after() const { return retry_after_; }

 private:
  Clock::duration span_;
  Clock::time_point end_;
  Clock::duration retry_after_;
};

/* One UDP socket for the master and every server. A send that fails is
 * as good as a datagram lost on the way: the resends cover both. */
class Socket {
 public:
  using OnDatagram = std::function<void(const udp::endpoint &from, std::string_view datagram)>;

  explicit Socket(asio::io_context &io) : socket_(io, udp::endpoint(udp::v4(), 0)) {
    /* A thousand answers can arrive together; a short buffer drops them. */
    asio::error_code ignored;
    socket_.set_option(udp::socket::receive_buffer_size(4 << 20), ignored);
  }

  void Send(const std::string &datagram, const udp::endpoint &to) {
    asio::error_code ignored;
    socket_.send_to(asio::buffer(datagram), to, 0, ignored);
  }

  /* Hands each datagram to `on_datagram` until the context stops. */
  void Receive(OnDatagram on_datagram) {
    on_datagram_ = std::move(on_datagram);
    ReceiveNext();
  }

 private:
  void ReceiveNext() {
    socket_.async_receive_from(asio::buffer(buffer_), from_,
                               [this](const asio::error_code &e, size_t size) {
                                 if (e == asio::error::operation_aborted) return;
                                 /* Windows reports an earlier send's "port unreachable" here;
                                  * nothing to do but read on, unless the socket is broken. */
                                 if (e && ++errors_ > kMaxErrors) return;
                                 if (!e)
                                   on_datagram_(from_, std::string_view(buffer_.data(), size));
                                 ReceiveNext();
                               });
  }

  static constexpr unsigned kMaxErrors = 10000;
  udp::socket socket_;
  std::vector<char> buffer_ = std::vector<char>(65536);
  udp::endpoint from_;
  unsigned errors_ = 0;
  OnDatagram on_datagram_;
};

/* The master: its address, how often it was asked and what its lists
 * said so far. */
class Master {
 public:
  explicit Master(const udp::endpoint &endpoint) : endpoint_(endpoint) {}
  const udp::endpoint &endpoint() const { return endpoint_; }
  bool answered() const { return answered_; }
  bool complete() const { return complete_; }

  /* The list came from elsewhere: nothing to ask. */
  void Given() { answered_ = complete_ = true; }

  /* Asks (again) unless a list came or it was asked enough. */
  void Ask(Socket &socket) {
    if (answered_ || attempts_ >= kAttempts) return;
    ++attempts_;
    socket.Send(MasterQuery(), endpoint_);
  }

  /* False when `datagram` is no list; else its addresses go to `listed`. */
  bool Read(std::string_view datagram, std::vector<ServerEndpoint> *listed) {
    const MasterPart part = ReadMasterList(datagram, listed);
    if (part == MasterPart::kNotAList) return false;
    answered_ = true;
    complete_ = complete_ || part == MasterPart::kEnd;
    return true;
  }

 private:
  udp::endpoint endpoint_;
  int attempts_ = 0;
  bool answered_ = false, complete_ = false;
};

/* The requests' challenge: a random number and the attempt's digit, so a
 * late answer to the first request is timed from the first request. */
class Challenge {
 public:
  Challenge() : number_(std::to_string(std::random_device{}() % 90000000 + 10000000)) {}
  std::string For(int attempt) const { return number_ + char('0' + attempt); }
  /* The attempt an echoed challenge names; -1 when it is not ours. */
  int Attempt(const std::string &echo) const {
    if (echo.size() != number_.size() + 1 || echo.compare(0, number_.size(), number_) != 0)
      return -1;
    return echo.back() - '0';
  }

 private:
  std::string number_;
};

/* Every listed server once, in the master's order, with its requests. */
class ServerTable {
 public:
  struct Server {
    ServerInfo info;
    udp::endpoint endpoint;
    std::array<Clock::time_point, kAttempts> sent{};
    int attempts = 0;
    Clock::time_point status_sent{}; /* the last status request's */
    int status_attempts = 0;
  };

  explicit ServerTable(size_t max_servers) : max_servers_(max_servers) {}

  /* False for an address already listed, or one past the bound (counted:
   * one listed twice past it counts twice, as no memory is spent on what
   * is dropped). */
  bool Add(const ServerEndpoint &e) {
    const uint64_t key = Key(e.ip, e.port);
    if (servers_.size() >= max_servers_) {
      past_cap_ += known_.count(key) == 0 ? 1 : 0;
      return false;
    }
    if (!known_.emplace(key, servers_.size()).second) return false;
    Server &s = servers_.emplace_back();
    s.info.endpoint = e;
    s.endpoint = udp::endpoint(asio::ip::address_v4(e.ip), e.port);
    return true;
  }

  /* The listed server at `from`; nullptr for anyone else. */
  Server *Find(const udp::endpoint &from) {
    if (!from.address().is_v4()) return nullptr;
    auto it = known_.find(Key(from.address().to_v4().to_uint(), from.port()));
    return it == known_.end() ? nullptr : &servers_[it->second];
  }

  void Answered(Server &s, Clock::duration ping, const std::map<std::string, std::string> &pairs) {
    s.info.answered = true;
    s.info.ping_ms = std::chrono::duration<double, std::milli>(ping).count();
    ReadServerInfo(pairs, &s.info);
    ++answered_;
  }

  void StatusAnswered(Server &s, ServerStatus status) {
    s.info.status = std::move(status);
    ++status_answered_;
  }

  size_t size() const { return servers_.size(); }
  size_t past_cap() const { return past_cap_; }
  size_t max_servers() const { return max_servers_; }
  Server &operator[](size_t i) { return servers_[i]; }
  bool AllAnswered(bool status) const {
    return answered_ == servers_.size() && (!status || status_answered_ == servers_.size());
  }
  std::vector<Server>::iterator begin() { return servers_.begin(); }
  std::vector<Server>::iterator end() { return servers_.end(); }

  std::vector<ServerInfo> Infos() const {
    std::vector<ServerInfo> infos;
    infos.reserve(servers_.size());
    for (const Server &s : servers_) infos.push_back(s.info);
    return infos;
  }

 private:
  static uint64_t Key(uint32_t ip, uint16_t port) { return (uint64_t{ip} << 16) | port; }
  std::vector<Server> servers_;
  std::unordered_map<uint64_t, size_t> known_;
  size_t max_servers_;
  size_t answered_ = 0, status_answered_ = 0, past_cap_ = 0;
};

/* One browse. Its parts share one io_context, so every handler runs on
 * the thread in Run() and none needs a lock. */
class Browser {
 public:
  Browser(const BrowseRequest &request, const udp::endpoint &master, Clock::time_point end)
      : master_(master),
        status_(request.status),
        socket_(io_),
        table_(request.max_servers),
        deadline_(end),
        end_timer_(io_, deadline_.end()),
        resend_timer_(io_) {}

  /* Takes `servers` as the master's whole list, which ends the asking of
   * the master before it begins. */
  void Listed(const std::vector<ServerEndpoint> &servers) {
    master_.Given();
    for (const ServerEndpoint &e : servers)
      if (table_.Add(e)) to_ask_.push_back(table_.size() - 1);
  }

  BrowseResult Run() {
    end_timer_.async_wait([this](const asio::error_code &e) {
      if (!e) io_.stop();
    });
    master_.Ask(socket_);
    if (master_.complete()) Pace();
    FinishIfDone();
    socket_.Receive([this](const udp::endpoint &from, std::string_view datagram) {
      /* The master may list itself as a game server too. */
      if (from != master_.endpoint() || !FromMaster(datagram)) FromServer(from, datagram);
    });
    ScheduleResends();
    io_.run();
    BrowseResult result;
    result.servers = table_.Infos();
    result.master_answered = master_.answered();
    result.list_complete = master_.complete();
    result.max_servers = table_.max_servers();
    result.listed_past_cap = table_.past_cap();
    result.answers_dropped = answers_dropped_;
    return result;
  }

 private:
  void FinishIfDone() {
    if (master_.complete() && table_.AllAnswered(status_)) io_.stop();
  }

  void AskServer(ServerTable::Server &s) {
    s.sent[s.attempts] = Clock::now();
    socket_.Send(InfoRequest(challenge_.For(s.attempts)), s.endpoint);
    ++s.attempts;
  }

  /* A burst of first requests, then the replies get their turn. */
  void Pace() {
    for (size_t n = 0; n < kBurst && !to_ask_.empty(); ++n) {
      AskServer(table_[to_ask_.front()]);
      to_ask_.pop_front();
    }
    if (!to_ask_.empty()) asio::post(io_, [this] { Pace(); });
  }

  bool FromMaster(std::string_view datagram) {
    std::vector<ServerEndpoint> listed;
    if (!master_.Read(datagram, &listed)) return false;
    const bool idle = to_ask_.empty();
    for (const ServerEndpoint &e : listed)
      if (table_.Add(e)) to_ask_.push_back(table_.size() - 1);
    if (idle && !to_ask_.empty()) Pace();
    FinishIfDone();
    return true;
  }

  void AskStatus(ServerTable::Server &s) {
    s.status_sent = Clock::now();
    socket_.Send(StatusRequest(challenge_.For(s.status_attempts)), s.endpoint);
    ++s.status_attempts;
  }

  void FromServer(const udp::endpoint &from, std::string_view datagram) {
    ServerTable::Server *s = table_.Find(from);
    if (status_ && s != nullptr && s->info.answered) return FromAnsweredServer(*s, datagram);
    if (s != nullptr && s->info.answered) return;
    std::map<std::string, std::string> pairs;
    if (!ReadInfoResponse(datagram, &pairs)) return;
    /* Only an answer to one of our requests counts, timed from that one. */
    const int attempt = challenge_.Attempt(pairs["challenge"]);
    if (s == nullptr || attempt < 0 || attempt >= s->attempts) {
      ++answers_dropped_;
      return;
    }
    table_.Answered(*s, Clock::now() - s->sent[attempt], pairs);
    if (status_) AskStatus(*s);
    FinishIfDone();
  }

  /* Its status answer, once, to one of our status requests. */
  void FromAnsweredServer(ServerTable::Server &s, std::string_view datagram) {
    ServerStatus status;
    if (s.info.status || !ReadStatusResponse(datagram, &status)) return;
    const int attempt = challenge_.Attempt(status.rules["challenge"]);
    if (attempt < 0 || attempt >= s.status_attempts) {
      ++answers_dropped_;
      return;
    }
    status.rules.erase("challenge");
    table_.StatusAnswered(s, std::move(status));
    FinishIfDone();
  }

  void ScheduleResends() {
    resend_timer_.expires_after(deadline_.retry_after());
    resend_timer_.async_wait([this](const asio::error_code &e) {
      if (e) return;
      const auto now = Clock::now();
      master_.Ask(socket_);
      for (ServerTable::Server &s : table_) {
        if (!s.info.answered && s.attempts > 0 && s.attempts < kAttempts &&
            now - s.sent[s.attempts - 1] >= deadline_.retry_after())
          AskServer(s);
        if (status_ && s.info.answered && !s.info.status && s.status_attempts < kAttempts &&
            now - s.status_sent >= deadline_.retry_after())
          AskStatus(s);
      }
      ScheduleResends();
    });
  }

  asio::io_context io_;
  Master master_;
  bool status_;
  Socket socket_;
  Challenge challenge_;
  ServerTable table_;
  size_t answers_dropped_ = 0;
  std::deque<size_t> to_ask_; /* listed, not asked yet */
  Deadline deadline_;
  asio::steady_timer end_timer_, resend_timer_;
};

}  // namespace

std::vector<uint32_t> SystemLookUp(const std::string &host, std::string *error) {
  asio::io_context io;
  udp::resolver resolver(io);
  asio::error_code failed;
  const auto found = resolver.resolve(udp::v4(), host, "", failed);
  std::vector<uint32_t> addresses;
  for (const auto &entry : found) addresses.push_back(entry.endpoint().address().to_v4().to_uint());
  if (failed) *error = failed.message();
  return addresses;
}

uint32_t ResolveBefore(const std::string &host, Clock::time_point end, const LookUp &look_up) {
  asio::error_code not_numeric;
  const asio::ip::address_v4 numeric = asio::ip::make_address_v4(host, not_numeric);
  if (!not_numeric) return numeric.to_uint();
  /* Shared with the look-up's thread, which may outlive this call. */
  struct Answer {
    std::mutex lock;
    std::condition_variable done_changed;
    bool done = false;
    std::vector<uint32_t> addresses;
    std::string error;
  };
  auto answer = std::make_shared<Answer>();
  std::thread([answer, host, look_up] {
    std::string error;
    std::vector<uint32_t> addresses = look_up(host, &error);
    const std::lock_guard<std::mutex> hold(answer->lock);
    answer->addresses = std::move(addresses);
    answer->error = std::move(error);
    answer->done = true;
    answer->done_changed.notify_all();
  }).detach();
  std::unique_lock<std::mutex> hold(answer->lock);
  if (!answer->done_changed.wait_until(hold, end, [&answer] { return answer->done; }))
    throw CommandError(kExitNoMaster,
                       "the name of the master server \"" + host +
                           "\" was not found before the deadline (its name server is slow "
                           "or unreachable)");
  if (answer->addresses.empty())
    throw CommandError(kExitNoMaster,
                       "cannot find the master server \"" + host + "\": " +
                           (answer->error.empty() ? "it has no IPv4 address" : answer->error));
  return answer->addresses.front();
}

namespace {
Clock::time_point EndAfter(double seconds) {
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(std::max(seconds, 0.0)));
}
}  // namespace

BrowseResult Browse(const BrowseRequest &request) {
  const Clock::time_point end = EndAfter(request.timeout_s);
  const udp::endpoint master(asio::ip::address_v4(ResolveBefore(request.master_host, end)),
                             request.master_port);
  return Browser(request, master, end).Run();
}

BrowseResult QueryServers(const std::vector<ServerEndpoint> &servers,
                          const BrowseRequest &request) {
  Browser browser(request, udp::endpoint(), EndAfter(request.timeout_s));
  browser.Listed(servers);
  return browser.Run();
}

}  // namespace wolfet_host
