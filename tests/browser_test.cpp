// The browser against stand-in servers on 127.0.0.1: whom it asks, how
// often and how many at once, which answers it takes, and when it ends.
#include "tools/wolfet-host/servers/browser.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "support/timing.h"
#include "tools/stand-ins/stand_in_network.h"
#include "tools/wolfet-host/error.h"
#include "tools/wolfet-host/servers/display.h"
#include "tools/wolfet-host/servers/server_filter.h"

namespace {

using namespace wolfet_host;  // NOLINT: the names under test
using namespace timing;       // NOLINT: the suites' one set of waits
using Clock = std::chrono::steady_clock;

const std::string kOob = "\xff\xff\xff\xff";

std::string Address(uint16_t port) { return "127.0.0.1:" + std::to_string(port); }
double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A stand-in that answers every request with `replies`, counting them.
uint16_t AddStandIn(StandInServers *net, std::vector<Reply> replies, std::atomic<int> *asked) {
  return net->Add([replies, asked](const std::string &, int) {
    ++*asked;
    return replies;
  });
}

TEST(Browser, EndsOnceEachServerHasAnsweredBeenRefusedOrMissedItsLastRetry) {
  // Step 1: a closed port, a silent server, one that answers only the
  // last retry, a far one, and near ones; two asked at a time.
  constexpr std::chrono::milliseconds kFar{300};
  constexpr int kNear = 3;
  constexpr double kLongTimeout = 10;
  std::atomic<int> silent_asked{0};
  StandInServers net;
  const uint16_t closed = net.AddClosed();
  const uint16_t silent = AddStandIn(&net, {}, &silent_asked);
  const uint16_t last_retry = net.Add([](const std::string &request, int asked) {
    return asked < kAttempts ? std::vector<Reply>{} : GameServer("\\hostname\\L")(request, asked);
  });
  std::vector<ServerEndpoint> listed = {{kLoopback, closed},
                                        {kLoopback, silent},
                                        {kLoopback, last_retry},
                                        {kLoopback, net.Add(GameServer("\\hostname\\F"), {kFar})}};
  for (int i = 0; i < kNear; ++i) listed.push_back({kLoopback, net.Add(GameServer("\\x\\y"))});
  net.Start();

  // Step 2: one query, statuses too, with a deadline far off.
  BrowseRequest request;
  request.timeout_s = kLongTimeout;
  request.status = true;
  request.max_in_flight = 2;
  std::vector<BrowseProgress> told;
  request.progress = [&told](const BrowseProgress &p) { told.push_back(p); };
  const auto start = Clock::now();
  const BrowseResult result = QueryServers(listed, request);

  // Step 3: it ended with every server accounted for, long before then.
  EXPECT_LT(SecondsSince(start), kLongTimeout / 4)
      << "the resends are spaced by the round trips seen, and the query ends with the last";
  ASSERT_EQ(result.servers.size(), listed.size());
  EXPECT_FALSE(result.servers[0].reachable) << "a closed port is marked not reachable";
  EXPECT_TRUE(result.servers[1].reachable) << "a silent server is not";
  EXPECT_EQ(silent_asked, kAttempts) << "a silent server is given up after its last retry";
  EXPECT_TRUE(result.servers[2].answered) << "the answer to the last retry is waited for";
  EXPECT_GE(result.servers[3].ping_ms, kFar.count())
      << "a far server's ping is timed from the request it answers";
  for (size_t i = 2; i < listed.size(); ++i)
    EXPECT_TRUE(result.servers[i].status.has_value())
        << FormatEndpoint(result.servers[i].endpoint) << ": asked past the two in flight, "
        << "and the query waits for its status too";
  ASSERT_FALSE(told.empty()) << "progress is told while the query runs";
  EXPECT_EQ(told.back().listed, listed.size()) << "with the servers listed";
  EXPECT_LE(told.back().answered, listed.size() - 2)
      << "and those that answered, not the closed and silent ones done without an answer";
  EXPECT_NE(SummaryLine(result, "m:1", 0, {}, {}).find("1 silent, 1 unreachable"),
            std::string::npos)
      << "the summary tells a gone server from a silent one";
}

TEST(Browser, NoMoreServersAreAskedAtOnceThanTheBound) {
  // Two silent servers, one asked at a time: the second is not asked
  // before the first is given up.
  std::mutex lock;
  std::string asked;  // the servers' letters, in the order asked
  StandInServers net;
  std::vector<ServerEndpoint> listed;
  for (const char letter : {'A', 'B'})
    listed.push_back({kLoopback, net.Add([&lock, &asked, letter](const std::string &, int) {
                        const std::lock_guard<std::mutex> hold(lock);
                        asked += letter;
                        return std::vector<Reply>{};
                      })});
  net.Start();
  BrowseRequest request;
  request.timeout_s = kTimeout;
  request.max_in_flight = 1;
  QueryServers(listed, request);
  const std::lock_guard<std::mutex> hold(lock);
  EXPECT_EQ(asked.substr(0, kAttempts), std::string(kAttempts, 'A'))
      << "the first server's every request before the second's first: " << asked;
}

TEST(Browser, ListsEachServerOnceAndTakesOnlyAnswersToItsOwnRequests) {
  // Step 1: a server that answers at once, one that answers the second
  // request only, a silent one, one that echoes another challenge and
  // one no one lists.
  std::atomic<int> silent_asked{0}, master_asked{0};  // outlive the stand-ins that count
  StandInServers net;
  const uint16_t plain = net.Add(GameServer("\\hostname\\Plain\\mapname\\oasis"));
  const uint16_t late = net.Add([](const std::string &request, int asked) {
    return asked < 2 ? std::vector<Reply>{} : GameServer("\\hostname\\Late")(request, asked);
  });
  const uint16_t silent = AddStandIn(&net, {}, &silent_asked);
  const uint16_t impostor = net.Add([](std::string request, int) {
    char &digit = request[kOob.size() + std::string("getinfo ").size()];
    digit = digit == '9' ? '1' : static_cast<char>(digit + 1);
    return GameServer("\\hostname\\Impostor")(request, 1);
  });
  const uint16_t unlisted = net.Add(GameServer("\\hostname\\Unlisted"));

  // Step 2: the master lists them over two datagrams, the one with the
  // end marker first (datagrams may overtake each other), `plain` in both
  // and entries no one can reach among them, after a list sent from
  // another socket and a datagram that is no list.
  const std::string ending = MasterEntry(kLoopback, silent) + MasterEntry(kLoopback, plain) +
                             MasterEntry(0, 27960) + MasterEntry(kLoopback, impostor) + kMasterEnd;
  const std::string rest = MasterEntry(kLoopback, plain) + MasterEntry(kLoopback, late) +
                           MasterEntry(kLoopback, 0) + "\\";
  const uint16_t master =
      AddStandIn(&net,
                 {{kMasterHead + MasterEntry(kLoopback, unlisted) + kMasterEnd, true},
                  kOob + "print\nhello",
                  kMasterHead + ending,
                  kMasterHead + rest},
                 &master_asked);
  net.Start();

  // Step 3: one browse, which ends after the silent one's last retry.
  const auto start = Clock::now();
  const BrowseResult result = Browse({"127.0.0.1", master, kTimeout});
  EXPECT_LT(SecondsSince(start), kTimeout + kSlack) << "the browse ends at its deadline";
  EXPECT_TRUE(result.master_answered) << "the master's list came";
  EXPECT_TRUE(result.list_complete) << "an end marker ends the list even when more follows";
  EXPECT_EQ(master_asked, 1) << "a master that answered is not asked again";
  std::vector<std::string> listed;
  for (const ServerInfo &s : result.servers) listed.push_back(FormatEndpoint(s.endpoint));
  const std::vector<std::string> once = {Address(silent), Address(plain), Address(impostor),
                                         Address(late)};
  ASSERT_EQ(listed, once) << "each reachable address once, in the order the lists came";

  const ServerInfo &silent_info = result.servers[0], &plain_info = result.servers[1],
                   &impostor_info = result.servers[2], &late_info = result.servers[3];
  EXPECT_EQ(plain_info.name, "Plain") << "what the server said";
  EXPECT_EQ(plain_info.map, "oasis") << "what the server said";
  EXPECT_TRUE(late_info.answered) << "an answer to the second request counts";
  EXPECT_LT(late_info.ping_ms, kTimeout * 1000 / (kAttempts + 1))
      << "and is timed from the second request, not the first";
  EXPECT_FALSE(silent_info.answered) << "the silent server";
  EXPECT_EQ(silent_asked, kAttempts) << "a silent server is asked three times, no more";
  EXPECT_FALSE(impostor_info.answered) << "an answer to another challenge is not ours";
  EXPECT_EQ(result.answers_dropped, static_cast<size_t>(kAttempts))
      << "and each one is counted as dropped";
  EXPECT_EQ(result.listed_past_cap, 0u) << "no cap reached";
}

TEST(Browser, WhatTheCapDropsIsCountedAndSaid) {
  // A cap of one: the second and third entries (never asked, so they need
  // no stand-in) fall past it, the repeat of the first does not.
  constexpr size_t kCap = 1;
  StandInServers net;
  const uint16_t game = net.Add(GameServer("\\hostname\\Game"));
  const uint16_t master = net.Add([game](const std::string &, int) {
    return std::vector<Reply>{kMasterHead + MasterEntry(kLoopback, game) +
                              MasterEntry(kLoopback, game + 1) + MasterEntry(kLoopback, game) +
                              MasterEntry(kLoopback, game + 2) + kMasterEnd};
  });
  net.Start();
  BrowseRequest request{"127.0.0.1", master, kTimeout};
  request.max_servers = kCap;
  const BrowseResult result = Browse(request);
  ASSERT_EQ(result.servers.size(), kCap) << "no more than the cap";
  EXPECT_EQ(result.listed_past_cap, 2u) << "the two entries past the cap, the repeat not";
  EXPECT_NE(SummaryLine(result, "m:1", 0, {}, {}).find("2 more past the cap of 1 dropped"),
            std::string::npos)
      << "the summary says the cap and what it dropped";
  ASSERT_EQ(LimitNotes(result).size(), 1u) << "and so does one note, for standard error";
  EXPECT_NE(LimitNotes(result)[0].find("2 more servers past the cap of 1"), std::string::npos);
}

std::optional<Fault> FailureOf(const std::function<void()> &run, const std::string &says) {
  try {
    run();
  } catch (const Error &e) {
    EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    return e.fault();
  }
  return std::nullopt;
}

TEST(Browser, TheMastersNameIsLookedUpWithinTheTimeOut) {
  using namespace std::chrono_literals;
  const auto slow = [](const std::string &, std::string *) {
    std::this_thread::sleep_for(10s);
    return std::vector<uint32_t>{kLoopback};
  };
  const auto start = Clock::now();
  EXPECT_EQ(FailureOf([&] { ResolveBefore("slow.example", start + 200ms, slow); },
                      "was not found before the deadline"),
            Fault::kNoAnswer)
      << "a name server that does not answer";
  EXPECT_LT(SecondsSince(start), kSlack) << "is not waited for past the deadline";
  EXPECT_EQ(ResolveBefore("127.0.0.2", start, slow), kLoopback + 1)
      << "an address needs no look-up";
}

}  // namespace
