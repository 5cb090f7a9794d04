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
#include <unordered_set>

#include "error.h"

namespace wolfet_host {
namespace {

using asio::ip::udp;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/* Sends to silent servers (and to a silent master), the first included. */
constexpr int kAttempts = 3;
/* The longest pause between looks for resends and give-ups (each is
 * looked at when it falls due), and how often progress is told. */
constexpr milliseconds kLongestTick{25};
constexpr milliseconds kProgressEvery{100};
/* The most of a server's datagram that is read: a status answer's head
 * and as much of the rest as is read of it. */
constexpr size_t kDatagramBytes = 64 + 16384;

/* The round trips seen so far and the wait before a resend (and after
 * the last one) that follows from them: a quarter longer than their 95th
 * percentile, so a server as slow as nearly all the others is not asked
 * twice, and one slower still is: its answer to the first request still
 * counts, timed from that one. The percentile of the answers seen so far
 * is low while the slow ones are still on the way, but a quarter more
 * keeps the wait ahead of the time passed until nearly all have come. */
class RoundTrips {
 public:
  /* `cap`: the attempts and a last wait fit the deadline. */
  explicit RoundTrips(Clock::duration cap) : cap_(cap) {}

  void Add(Clock::duration round_trip) {
    const auto ms = std::chrono::duration_cast<milliseconds>(round_trip).count();
    ++counts_[static_cast<size_t>(std::clamp<decltype(ms)>(ms, 0, kBuckets - 1))];
    ++seen_;
  }

  Clock::duration RetryAfter() const {
    if (seen_ == 0) return std::min<Clock::duration>(kStart, cap_);
    const size_t rank = seen_ - seen_ / 20; /* the 95th percentile's, counted from 1 */
    size_t ms = 0;
    for (size_t below = counts_[0]; below < rank; below += counts_[++ms]) {
    }
    const Clock::duration wait = milliseconds(ms + 1) * 5 / 4;
    return std::clamp<Clock::duration>(wait, std::min<Clock::duration>(kFloor, cap_), cap_);
  }

 private:
  /* Before any answer: longer than most of the internet's round trips. */
  static constexpr milliseconds kStart{500};
  /* A list of near servers alone still leaves a far one time to answer,
   * and a busy machine time to read the answers. */
  static constexpr milliseconds kFloor{200};
  static constexpr size_t kBuckets = 4096; /* a millisecond each; the last holds the rest */
  std::array<uint32_t, kBuckets> counts_{};
  size_t seen_ = 0;
  Clock::duration cap_;
};

/* The master's socket. A send that fails is as good as a datagram lost
 * on the way: the resends cover both. */
class Socket {
 public:
  using OnDatagram = std::function<void(const udp::endpoint &from, std::string_view datagram)>;

  explicit Socket(asio::io_context &io) : socket_(io, udp::endpoint(udp::v4(), 0)) {
    /* A master's list can come as many datagrams together. */
    asio::error_code ignored;
    socket_.set_option(udp::socket::receive_buffer_size(1 << 20), ignored);
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
  int asked() const { return attempts_; }

  /* The list came from elsewhere: nothing to ask. */
  void Given() { answered_ = complete_ = true; }

  /* Asks (again) unless a list came, it was asked enough or the last
   * request is younger than `wait`. */
  void Ask(Socket &socket, Clock::time_point now, Clock::duration wait) {
    if (answered_ || attempts_ >= kAttempts || (attempts_ > 0 && now - sent_ < wait)) return;
    ++attempts_;
    sent_ = now;
    socket.Send(MasterQuery(), endpoint_);
  }

  /* False when `datagram` is no list; else its addresses go to `listed`.
   * The first list answering the only request so far is a round trip. */
  bool Read(std::string_view datagram, std::vector<ServerEndpoint> *listed,
            RoundTrips *round_trips) {
    const MasterPart part = ReadMasterList(datagram, listed);
    if (part == MasterPart::kNotAList) return false;
    if (!answered_ && attempts_ == 1) round_trips->Add(Clock::now() - sent_);
    answered_ = true;
    complete_ = complete_ || part == MasterPart::kEnd;
    return true;
  }

 private:
  udp::endpoint endpoint_;
  int attempts_ = 0;
  Clock::time_point sent_{};
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

/* Where a server is in its asking. */
enum class Stage { kListed, kInfo, kStatus, kDone };

/* A socket connected to one server while it is asked: only its datagrams
 * come in, and its host's refusal (ICMP port unreachable) ends the
 * socket's pending receive with an error, connection_refused on Linux and
 * connection_reset on Windows. */
struct Link {
  explicit Link(asio::io_context &io) : socket(io) {}
  udp::socket socket;
  std::array<char, kDatagramBytes> buffer;
};

/* Every listed server once, in the master's order, with its requests. */
class ServerTable {
 public:
  struct Server {
    ServerInfo info;
    udp::endpoint endpoint;
    Stage stage = Stage::kListed;
    std::unique_ptr<Link> link; /* while it is asked */
    size_t slot = 0;            /* its place among those in flight */
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
    const uint64_t key = (uint64_t{e.ip} << 16) | e.port;
    if (servers_.size() >= max_servers_) {
      past_cap_ += known_.count(key) == 0 ? 1 : 0;
      return false;
    }
    if (!known_.insert(key).second) return false;
    Server &s = servers_.emplace_back();
    s.info.endpoint = e;
    s.endpoint = udp::endpoint(asio::ip::address_v4(e.ip), e.port);
    return true;
  }

  void Answered(Server &s, Clock::duration ping, const std::map<std::string, std::string> &pairs) {
    s.info.answered = true;
    s.info.ping_ms = std::chrono::duration<double, std::milli>(ping).count();
    ReadServerInfo(pairs, &s.info);
    ++answered_;
  }

  size_t size() const { return servers_.size(); }
  size_t answered() const { return answered_; }
  size_t past_cap() const { return past_cap_; }
  size_t max_servers() const { return max_servers_; }
  Server &operator[](size_t i) { return servers_[i]; }

  std::vector<ServerInfo> Infos() const {
    std::vector<ServerInfo> infos;
    infos.reserve(servers_.size());
    for (const Server &s : servers_) {
      infos.push_back(s.info);
      infos.back().asked = s.attempts;
    }
    return infos;
  }

 private:
  std::vector<Server> servers_;
  std::unordered_set<uint64_t> known_;
  size_t max_servers_;
  size_t answered_ = 0, past_cap_ = 0;
};

/* One browse. Its parts share one io_context, so every handler runs on
 * the thread in Run() and none needs a lock. */
class Browser {
 public:
  Browser(const BrowseRequest &request, const udp::endpoint &master, Clock::time_point end)
      : status_(request.status),
        progress_(request.progress),
        progress_rows_(request.progress_rows),
        max_in_flight_(std::max<size_t>(request.max_in_flight, 1)),
        start_(Clock::now()),
        master_(master),
        socket_(io_),
        table_(request.max_servers),
        round_trips_(std::max(end - start_, Clock::duration::zero()) / (kAttempts + 1)),
        end_timer_(io_, end),
        tick_timer_(io_),
        progress_timer_(io_) {}

  /* Takes `servers` as the master's whole list, which ends the asking of
   * the master before it begins. */
  void Listed(const std::vector<ServerEndpoint> &servers) {
    master_.Given();
    for (const ServerEndpoint &e : servers)
      if (table_.Add(e)) to_ask_.push_back(table_.size() - 1);
  }

  /* Asked whatever the master lists, before it: the favourites. */
  void Also(const std::vector<ServerEndpoint> &servers) {
    for (const ServerEndpoint &e : servers)
      if (table_.Add(e)) {
        table_[table_.size() - 1].info.favourite = true;
        to_ask_.push_back(table_.size() - 1);
      }
  }

  BrowseResult Run() {
    end_timer_.async_wait([this](const asio::error_code &e) {
      if (!e) io_.stop();
    });
    master_.Ask(socket_, Clock::now(), round_trips_.RetryAfter());
    socket_.Receive([this](const udp::endpoint &from, std::string_view datagram) {
      if (from == master_.endpoint() && FromMaster(datagram)) return;
      /* Servers answer on their own sockets: this is no answer of ours. */
      std::map<std::string, std::string> pairs;
      if (ReadInfoResponse(datagram, &pairs)) ++answers_dropped_;
    });
    Pace();
    Tick();
    if (progress_) TellProgress();
    FinishIfDone();
    io_.run();
    BrowseResult result;
    result.servers = table_.Infos();
    result.master_answered = master_.answered();
    result.master_asked = master_.asked();
    result.list_complete = master_.complete();
    result.max_servers = table_.max_servers();
    result.listed_past_cap = table_.past_cap();
    result.answers_dropped = answers_dropped_;
    return result;
  }

 private:
  using Server = ServerTable::Server;

  void FinishIfDone() {
    if (master_.complete() && done_ == table_.size()) io_.stop();
  }

  /* Asks the listed servers in turn while fewer than the bound are in
   * flight. When no socket can be had (the process is out of files), the
   * bound drops to those in flight; with none in flight the server is
   * given up, so the browse still ends. */
  void Pace() {
    while (in_flight_.size() < max_in_flight_ && !to_ask_.empty()) {
      const size_t i = to_ask_.front();
      Server &s = table_[i];
      asio::error_code failed;
      auto link = std::make_unique<Link>(io_);
      link->socket.open(udp::v4(), failed);
      if (failed && !in_flight_.empty()) {
        max_in_flight_ = in_flight_.size();
        return;
      }
      to_ask_.pop_front();
      if (!failed) link->socket.connect(s.endpoint, failed);
      if (failed) {
        Retire(s);
        continue;
      }
      s.link = std::move(link);
      s.stage = Stage::kInfo;
      s.slot = in_flight_.size();
      in_flight_.push_back(i);
      AskInfo(s);
      ReceiveFrom(i);
    }
  }

  /* Done with `s`: its socket closes (its pending receive ends aborted)
   * and its slot is free. */
  void Retire(Server &s) {
    if (s.stage == Stage::kInfo || s.stage == Stage::kStatus) {
      const size_t moved = in_flight_.back();
      in_flight_[s.slot] = moved;
      table_[moved].slot = s.slot;
      in_flight_.pop_back();
      s.link.reset();
    }
    s.stage = Stage::kDone;
    ++done_;
  }

  /* A send refused at once counts as the refusal that a receive reports. */
  void Send(Server &s, const std::string &datagram) {
    asio::error_code failed;
    s.link->socket.send(asio::buffer(datagram), 0, failed);
    if (Refusal(failed)) refused_.push_back(&s - &table_[0]);
  }

  static bool Refusal(const asio::error_code &e) {
    return e == asio::error::connection_refused || e == asio::error::connection_reset;
  }

  void AskInfo(Server &s) {
    s.sent[s.attempts] = Clock::now();
    Send(s, InfoRequest(challenge_.For(s.attempts)));
    ++s.attempts;
  }

  void AskStatus(Server &s) {
    s.status_sent = Clock::now();
    Send(s, StatusRequest(challenge_.For(s.status_attempts)));
    ++s.status_attempts;
  }

  /* Hands the server's datagrams to FromServer until it is done. Another
   * error than the refusal (a router's "host unreachable", say) says
   * nothing of the next request: receiving goes on. A datagram longer than
   * the buffer is read as far as it goes (Windows says so as an error). */
  void ReceiveFrom(size_t i) {
    Link &link = *table_[i].link;
    link.socket.async_receive(asio::buffer(link.buffer),
                              [this, i](const asio::error_code &e, size_t size) {
                                Server &s = table_[i];
                                /* Retired meanwhile: the link is gone. */
                                if (e == asio::error::operation_aborted || s.stage == Stage::kDone)
                                  return;
                                if (Refusal(e)) {
                                  Refused(s);
                                } else {
                                  if (!e || e == asio::error::message_size)
                                    FromServer(s, std::string_view(s.link->buffer.data(), size));
                                  if (s.stage != Stage::kDone) ReceiveFrom(i);
                                }
                                AfterEvents();
                              });
  }

  /* The server's host says nothing listens on its port. */
  void Refused(Server &s) {
    if (s.stage == Stage::kDone) return;
    if (!s.info.answered) s.info.reachable = false;
    Retire(s);
  }

  /* After anything that may retire servers: the refusals that sends met,
   * the next servers asked, and the end when that was the last. */
  void AfterEvents() {
    for (const size_t i : refused_) Refused(table_[i]);
    refused_.clear();
    Pace();
    FinishIfDone();
  }

  bool FromMaster(std::string_view datagram) {
    std::vector<ServerEndpoint> listed;
    if (!master_.Read(datagram, &listed, &round_trips_)) return false;
    for (const ServerEndpoint &e : listed)
      if (table_.Add(e)) to_ask_.push_back(table_.size() - 1);
    AfterEvents();
    return true;
  }

  void FromServer(Server &s, std::string_view datagram) {
    if (s.stage == Stage::kStatus) return FromAnsweredServer(s, datagram);
    std::map<std::string, std::string> pairs;
    if (!ReadInfoResponse(datagram, &pairs)) return;
    /* Only an answer to one of our requests counts, timed from that one. */
    const int attempt = challenge_.Attempt(pairs["challenge"]);
    if (attempt < 0 || attempt >= s.attempts) {
      ++answers_dropped_;
      return;
    }
    const Clock::duration ping = Clock::now() - s.sent[attempt];
    round_trips_.Add(ping);
    table_.Answered(s, ping, pairs);
    if (!status_) return Retire(s);
    s.stage = Stage::kStatus;
    AskStatus(s);
  }

  /* Its status answer, once, to one of our status requests. */
  void FromAnsweredServer(Server &s, std::string_view datagram) {
    ServerStatus status;
    if (!ReadStatusResponse(datagram, &status)) return;
    const int attempt = challenge_.Attempt(status.rules["challenge"]);
    if (attempt < 0 || attempt >= s.status_attempts) {
      ++answers_dropped_;
      return;
    }
    status.rules.erase("challenge");
    s.info.status = std::move(status);
    Retire(s);
  }

  /* Resends to the servers (and the master) whose last request went
   * unanswered for a retry's wait, and gives up those whose last one did;
   * then sleeps until the next falls due. */
  void Tick(Clock::time_point at = Clock::now()) {
    tick_timer_.expires_at(at);
    tick_timer_.async_wait([this](const asio::error_code &e) {
      if (e) return;
      const auto now = Clock::now();
      const Clock::duration wait = round_trips_.RetryAfter();
      master_.Ask(socket_, now, wait);
      Clock::time_point next = now + std::min<Clock::duration>(kLongestTick, wait);
      std::vector<size_t> missed;
      for (const size_t i : in_flight_) {
        Server &s = table_[i];
        const bool info = s.stage == Stage::kInfo;
        const int attempts = info ? s.attempts : s.status_attempts;
        const Clock::time_point due = (info ? s.sent[attempts - 1] : s.status_sent) + wait;
        if (due > now) {
          next = std::min(next, due);
        } else if (attempts >= kAttempts) {
          missed.push_back(i);
        } else if (info) {
          AskInfo(s);
        } else {
          AskStatus(s);
        }
      }
      for (const size_t i : missed) Retire(table_[i]);
      AfterEvents();
      Tick(next);
    });
  }

  void TellProgress() {
    progress_timer_.expires_after(kProgressEvery);
    progress_timer_.async_wait([this](const asio::error_code &e) {
      if (e) return;
      progress_({table_.answered(), table_.size(),
                 std::chrono::duration<double>(Clock::now() - start_).count(),
                 progress_rows_ ? table_.Infos() : std::vector<ServerInfo>{}});
      TellProgress();
    });
  }

  asio::io_context io_;
  bool status_;
  std::function<void(const BrowseProgress &)> progress_;
  bool progress_rows_;
  size_t max_in_flight_;
  Clock::time_point start_;
  Master master_;
  Socket socket_;
  Challenge challenge_;
  ServerTable table_;
  RoundTrips round_trips_;
  size_t answers_dropped_ = 0;
  size_t done_ = 0;               /* answered, refused, given up or never to be asked */
  std::deque<size_t> to_ask_;     /* listed, not asked yet */
  std::vector<size_t> in_flight_; /* asked, not done */
  std::vector<size_t> refused_;   /* refused at a send, to be retired */
  asio::steady_timer end_timer_, tick_timer_, progress_timer_;
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

uint32_t ResolveBefore(const std::string &host, Clock::time_point end, const LookUp &look_up,
                       const std::string &what) {
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
    throw Error(Fault::kNoAnswer,
                "the name of " + what + " \"" + host +
                    "\" was not found before the deadline (its name server is slow "
                    "or unreachable)");
  if (answer->addresses.empty())
    throw Error(Fault::kNoAnswer,
                "cannot find " + what + " \"" + host +
                    "\": " + (answer->error.empty() ? "it has no IPv4 address" : answer->error));
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
  Browser browser(request, master, end);
  browser.Also(request.also);
  return browser.Run();
}

BrowseResult QueryServers(const std::vector<ServerEndpoint> &servers,
                          const BrowseRequest &request) {
  Browser browser(request, udp::endpoint(), EndAfter(request.timeout_s));
  browser.Also(request.also);
  browser.Listed(servers);
  return browser.Run();
}

}  // namespace wolfet_host
