// The server browser part by part: the protocol's datagrams, the browser
// against stand-in servers on 127.0.0.1, the table, the JSON and the kept
// list. cli_test.cpp runs the servers command as a person would.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <atomic>
#include <climits>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <thread>

#include "support/sandbox.h"
#include "tools/stand-ins/stand_in_network.h"
#include "tools/wolfet-host/error.h"
#include "tools/wolfet-host/servers/browser.h"
#include "tools/wolfet-host/servers/display.h"
#include "tools/wolfet-host/servers/kept_list.h"
#include "tools/wolfet-host/servers/server_filter.h"

namespace {

using namespace wolfet_host;  // NOLINT: the names under test
namespace fs = std::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

const std::string kOob = "\xff\xff\xff\xff";
constexpr size_t kMaxValue = 255;  // bytes of one info value
constexpr size_t kMaxInfo = 8192;  // bytes of an info response read
constexpr int kAttempts = 3;       // requests to a silent peer, the first included
constexpr double kTimeout = 0.5;   // seconds of a browse that waits for a silent peer
constexpr double kSlack = 1.0;     // seconds a run may take past its deadline

std::string Address(uint16_t port) { return "127.0.0.1:" + std::to_string(port); }
double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(ServerProtocol, AMasterListReadsInNetworkOrderUpToItsEndMarker) {
  std::vector<ServerEndpoint> read;
  EXPECT_EQ(ReadMasterList(kMasterHead + MasterEntry(0x01020304, 0x0506) + kMasterEnd, &read),
            MasterPart::kEnd)
      << "the end marker ends the list";
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(FormatEndpoint(read[0]), "1.2.3.4:1286") << "address and port in network byte order";

  EXPECT_EQ(ReadMasterList(kMasterHead + "\\EOT", &read), MasterPart::kEnd)
      << "the end marker's NULs may be cut";
  EXPECT_EQ(ReadMasterList(kMasterHead + MasterEntry(kLoopback, 10) + "\\EO", &read),
            MasterPart::kMore)
      << "a datagram cut short";
  EXPECT_EQ(read.size(), 2u) << "the address before the cut counts";
  EXPECT_EQ(ReadMasterList(kOob + "getserversResponsX" + MasterEntry(kLoopback, 11), &read),
            MasterPart::kNotAList)
      << "another head";
  EXPECT_EQ(read.size(), 2u) << "what is no list adds no address";
}

TEST(ServerProtocol, AnInfoResponseIsReadWithinTheGamesLimits) {
  std::map<std::string, std::string> pairs;
  EXPECT_FALSE(ReadInfoResponse("infoResponse\n\\hostname\\x", &pairs)) << "no out-of-band prefix";
  EXPECT_FALSE(ReadInfoResponse(kOob + "statusResponse\n\\hostname\\x", &pairs)) << "another head";
  ASSERT_TRUE(ReadInfoResponse(kOob + "infoResponse\n\\hostname\\" +
                                   std::string(4 * kMaxValue, 'N') + "\\mapname\\radar\\clients",
                               &pairs));
  EXPECT_EQ(pairs["hostname"], std::string(kMaxValue, 'N')) << "a value is cut to 255 bytes";
  EXPECT_EQ(pairs["mapname"], "radar") << "the pairs after a long value still count";
  EXPECT_EQ(pairs.count("clients"), 0u) << "a key without its value is dropped";
  std::string long_utf8;  // two bytes a character, so byte 255 starts one
  while (long_utf8.size() < 2 * kMaxValue) long_utf8 += "\xC3\xA9";
  ASSERT_TRUE(ReadInfoResponse(kOob + "infoResponse\n\\hostname\\" + long_utf8, &pairs));
  EXPECT_EQ(pairs["hostname"], long_utf8.substr(0, kMaxValue - 1))
      << "a UTF-8 value is cut before the character that would be split";

  pairs.clear();
  const std::string head = "\n\\clients\\100000\\sv_maxclients\\99999\\x\\";
  const std::string tail = "\\mapname\\ab";
  const std::string info = head + std::string(kMaxInfo + 1 - head.size() - tail.size(), 'x') + tail;
  ASSERT_TRUE(ReadInfoResponse(kOob + "infoResponse" + info, &pairs));
  ServerInfo server;
  ReadServerInfo(pairs, &server);
  EXPECT_EQ(server.map, "a") << "byte 8193 of the info is not read";
  EXPECT_FALSE(server.players.has_value()) << "100000 is past the largest number read";
  EXPECT_EQ(server.max_players, 99999) << "99999 is the largest number read";
  ReadServerInfo({{"clients", "-4"}, {"gametype", "2x"}}, &server);
  EXPECT_FALSE(server.players.has_value()) << "no negative number";
  EXPECT_FALSE(server.game_type.has_value()) << "a number and more is no number";
}

// A stand-in that answers every request with `replies`, counting them.
uint16_t AddStandIn(StandInServers *net, std::vector<Reply> replies, std::atomic<int> *asked) {
  return net->Add([replies, asked](const std::string &, int) {
    ++*asked;
    return replies;
  });
}

TEST(ServerProtocol, AStatusResponseHoldsTheRulesThenAPlayerALine) {
  ServerStatus status;
  EXPECT_FALSE(ReadStatusResponse(kOob + "infoResponse\n\\sv_hostname\\x\n", &status))
      << "another head";
  const std::string lines = "3 48 \"^1Al\"\n0 0 \"bot\"\nnot a player\n-2 999 \"Cut";
  ASSERT_TRUE(ReadStatusResponse(kOob + "statusResponse\n\\sv_hostname\\S\\g_gametype\\4\n" + lines,
                                 &status));
  EXPECT_EQ(status.rules["g_gametype"], "4") << "the rules are the first line's pairs";
  ASSERT_EQ(status.players.size(), 3u) << "a line that is no player is skipped";
  EXPECT_EQ(status.players[0].name, "^1Al") << "the name is kept with its colour codes";
  EXPECT_EQ(status.players[0].score, 3) << "score first";
  EXPECT_EQ(status.players[0].ping, 48) << "then ping";
  EXPECT_EQ(status.players[1].ping, 0) << "a bot's ping";
  EXPECT_EQ(status.players[2].score, -2) << "a score may be negative";
  EXPECT_EQ(status.players[2].name, "Cut") << "a name cut short at the datagram's end";

  std::string many = kOob + "statusResponse\n\\x\\y\n";
  for (size_t i = 0; i <= kMaxPlayers; ++i) many += "0 1 \"p\"\n";
  ServerStatus full;
  ASSERT_TRUE(ReadStatusResponse(many, &full));
  EXPECT_EQ(full.players.size(), kMaxPlayers) << "no more players than the bound are kept";
}

TEST(Browser, AsksTheAnsweringServersForTheirStatusWhenTold) {
  StandInServers net;
  const std::vector<Player> players = {{"^2Ann", 7, 30}, {"bot", 0, 0}};
  const uint16_t with_players = net.Add(GameServer("\\hostname\\P", players));
  std::atomic<int> silent_asked{0};
  const uint16_t silent = AddStandIn(&net, {}, &silent_asked);
  net.Start();
  BrowseRequest request;
  request.timeout_s = kTimeout;
  request.status = true;
  const BrowseResult result =
      QueryServers({{kLoopback, with_players}, {kLoopback, silent}}, request);
  ASSERT_EQ(result.servers.size(), 2u) << "the servers given are the list";
  ASSERT_TRUE(result.servers[0].status.has_value()) << "the answering server's status is read";
  EXPECT_EQ(result.servers[0].status->players.size(), players.size()) << "with its players";
  EXPECT_EQ(result.servers[0].status->rules.count("challenge"), 0u)
      << "the echoed challenge is no rule";
  EXPECT_FALSE(result.servers[1].status.has_value()) << "a silent server has none";
  request.status = false;
  EXPECT_FALSE(QueryServers({{kLoopback, with_players}}, request).servers[0].status.has_value())
      << "no status is asked for unless told";
}

TEST(ServerProtocol, AMasterAddressIsAnIpv4AddressOrAHostNameWithinTheirBounds) {
  const std::string label(63, 'a');
  const std::string name_253 = label + "." + label + "." + label + "." + std::string(61, 'b');
  const std::pair<std::string, bool> addresses[] = {
      {"master.example:65535", true}, {"master.example:65536", false}, {"1.2.3.255", true},
      {"1.2.3.256", false},           {label + ".example", true},      {label + "a.example", false},
      {"master.example.", false},     {"master.example", true},        {name_253, true},
      {name_253 + "a", false},
  };
  for (const auto &[text, valid] : addresses) {
    std::string why;
    EXPECT_EQ(ParseMasterAddress(text, &why).has_value(), valid) << text << ": " << why;
  }
  std::string why;
  EXPECT_EQ(ParseServerAddress("server.example", &why)->port, kDefaultServerPort)
      << "a game server's port when none is given is not the master's";
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

// What a server said in its info answer.
ServerInfo Info(ServerEndpoint at, bool answered, std::string name, std::string map,
                std::optional<int> players, std::optional<int> max, std::optional<int> type,
                double ping_ms) {
  ServerInfo s;
  std::tie(s.endpoint, s.answered, s.name, s.map, s.players, s.max_players, s.game_type,
           s.ping_ms) = std::tie(at, answered, name, map, players, max, type, ping_ms);
  return s;
}
ServerInfo Answered(uint16_t port, const std::string &name, double ping_ms) {
  return Info({kLoopback, port}, true, name, "", std::nullopt, std::nullopt, std::nullopt, ping_ms);
}
ServerInfo Silent(uint16_t port) { return Info({kLoopback, port}, false, "", "", {}, {}, {}, 0); }

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What a terminal shows of a line: colour codes take no room, and each
// UTF-8 character one column.
std::string Uncoloured(const std::string &line) {
  return std::regex_replace(line, std::regex("\033\\[[0-9;]*m"), "");
}
constexpr size_t kTableWidth = 80;
size_t Columns(const std::string &line) {
  const std::string shown = Uncoloured(line);
  return static_cast<size_t>(
      std::count_if(shown.begin(), shown.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

TEST(ServerDisplay, TheTableShowsWhatEachServerSaidInColumns) {
  std::vector<ServerInfo> servers = {
      Info({kLoopback, 27960}, true, "^1Red^7Fox^0!", "oasis", 0, 16, 2, 12.4),
      Info({kLoopback, 27961}, true, "L\xE9te\x1F\x81" + std::string(90, 'N'), "", {}, 16, 7, 3),
      Silent(27962), Silent(27963)};
  servers[3].reachable = false;
  std::ostringstream plain, coloured, short_table;
  PrintTable(servers, false, plain);
  PrintTable(servers, true, coloured);
  PrintTable({servers[0]}, false, short_table);
  const std::vector<std::string> rows = Lines(plain.str());
  ASSERT_EQ(rows.size(), servers.size() + 1) << "a header and a row per server";
  EXPECT_EQ(Lines(short_table.str())[1],
            "0  RedFox!       oasis  0/16     Objective  12 ms  127.0.0.1:27960")
      << "text to the left, the ping to the right, no colour codes in a pipe, no mod said";
  EXPECT_EQ(rows[2].rfind("1  L\xC3\xA9te??NNN", 0), 0u)
      << "Windows-1252 as UTF-8, a control character and a byte 1252 leaves undefined as '?'";
  EXPECT_NE(rows[2].find(std::string("N") + kEllipsis + "  "), std::string::npos)
      << "a name too long for the table is cut with an ellipsis";
  EXPECT_NE(rows[2].find("  ?/16     type 7      3 ms  127.0.0.1:27961"), std::string::npos)
      << "an unknown number as '?', an unnamed game type by its number, the address whole";
  EXPECT_EQ(rows[3].rfind("2  (not answering)  ", 0), 0u) << "a silent server says so";
  EXPECT_NE(rows[3].find("    -  127.0.0.1:27962"), std::string::npos) << "and has no ping";
  EXPECT_EQ(rows[4].rfind("3  (unreachable)  ", 0), 0u) << "a refused one says it is gone";
  for (const std::string &row : rows) EXPECT_LE(Columns(row), kTableWidth) << row;

  const std::vector<std::string> in_colour = Lines(coloured.str());
  ASSERT_EQ(in_colour.size(), rows.size());
  EXPECT_NE(in_colour[1].find("\033[31mRed\033[39mFox\033[39m!\033[0m"), std::string::npos)
      << "^1 is red; ^7 white and ^0 black are the terminal's own colour, readable on any "
         "background; the colour ends with the name";
  EXPECT_EQ(Uncoloured(in_colour[1]), rows[1]) << "colour codes take no room in the columns";
}

TEST(ServerDisplay, TheTableFitsEightyColumnsWithEveryColumnAtItsWidest) {
  ServerInfo widest = Info({0xFFFFFFFF, 65535}, true, std::string(300, 'N'), std::string(300, 'M'),
                           99999, 99999, 99999, 59999);
  widest.mod = std::string(300, 'D');
  widest.needpass = true;
  std::vector<ServerInfo> servers(kMaxServers, widest);
  servers.back().protocol = 99999;  // another game's
  std::ostringstream out;
  PrintTable(servers, false, out);
  const std::vector<std::string> rows = Lines(out.str());
  ASSERT_EQ(rows.size(), kMaxServers + 1);
  EXPECT_EQ(Columns(rows[1]), kTableWidth) << "the widest row, " << rows[1];
  EXPECT_LE(Columns(rows.back()), kTableWidth) << "another game's row, " << rows.back();
  EXPECT_NE(rows[1].find("DD" + std::string(kEllipsis) + "  MM" + kEllipsis + "  999+/999+ pw"),
            std::string::npos)
      << "mod and map keep a few characters, numbers no server of this game reaches are cut, "
         "the password mark is not";
  EXPECT_NE(rows.back().find("other game (protocol 99999)"), std::string::npos)
      << "nor is another game's";
}

TEST(ServerDisplay, ColourCodesAreEveryCaretAndCharacterButADoubleCaret) {
  struct Coded {
    std::string sent, plain, coloured;
  };
  const std::vector<Coded> names = {
      {"^1Real^7 ioq3 ^dET^ostyle", "Real ioq3 ETstyle", "\033[94mET\033[39mstyle"},
      {"^aA^hH^!x", "AHx", "\033[31mA\033[39mH\033[31mx"},  // (c - '0') & 7
      {"^8o^9g", "og", "\033[38;5;208mo\033[90mg"},
      {"a^^1b^", "a^b^", "a^\033[31mb^"},
      {"^\xE9x", "x", "\033[31mx"},  // a Windows-1252 byte
  };
  for (const Coded &name : names) {
    std::ostringstream plain, coloured;
    PrintTable({Answered(27960, name.sent, 1)}, false, plain);
    PrintTable({Answered(27960, name.sent, 1)}, true, coloured);
    const std::string row = Lines(plain.str())[1], in_colour = Lines(coloured.str())[1];
    EXPECT_EQ(row.rfind("0  " + name.plain + "  ", 0), 0u) << name.sent << ": no code shows";
    EXPECT_NE(in_colour.find(name.coloured), std::string::npos) << name.sent << ": " << in_colour;
    EXPECT_EQ(Uncoloured(in_colour), row) << name.sent << ": no code takes room";
  }
}

TEST(ServerProtocol, TheInfoAnswerSaysWhetherTheServerCanBeJoinedAndHow) {
  constexpr int kOther = 68, kHumans = 1, kNotSent = -1;
  struct Said {
    const char *what;
    ServerKeys keys;
    bool joinable;
    const char *marked;  // in the table
  };
  const std::vector<Said> said = {
      {"this game, no mod", {kGameProtocol, "et", "", false, kNotSent, true}, true, "  etmain  "},
      {"a mod, a password",
       {kGameProtocol, "ET", "legacy", true, kHumans, true},
       true,
       "1+1/16 pw"},
      {"another protocol", {kOther, "Q3", "", true, kHumans, false}, false, "(protocol 68)"},
      {"another game", {kGameProtocol, "Q3", "", false, kNotSent, true}, false, "game (Q3)"},
  };
  for (const Said &s : said) {
    const std::string pairs = "\\mapname\\oasis\\clients\\2\\sv_maxclients\\16" + InfoPairs(s.keys);
    std::map<std::string, std::string> read;
    ASSERT_TRUE(ReadInfoResponse(GameServer(pairs)(kOob + "getinfo 1", 1)[0].bytes, &read));
    ServerInfo server = Answered(27960, "", 1);
    ReadServerInfo(read, &server);
    const json entry = ToJson({server})[0];
    EXPECT_EQ(entry["joinable"], s.joinable) << s.what;
    EXPECT_EQ(entry["protocol"], s.keys.protocol) << s.what;
    EXPECT_EQ(entry["needpass"], s.keys.needpass) << s.what << ": needpass or g_needpass";
    EXPECT_EQ(entry["humans"], s.keys.humans == kNotSent ? json() : json(s.keys.humans))
        << s.what << ": humans or g_humanplayers";
    std::ostringstream table;
    PrintTable({server}, false, table);
    EXPECT_NE(table.str().find(s.marked), std::string::npos) << s.what << ": " << table.str();
  }
}

TEST(ServerDisplay, TheTableTheJsonAndTheKeptListSpellEachNameAlike) {
  struct Spelling {
    const char *what;
    std::string sent, shown;
  };
  const std::vector<Spelling> spellings = {
      {"Windows-1252", "W\xFCrzburg caf\xE9 \x80", "W\xC3\xBCrzburg caf\xC3\xA9 \xE2\x82\xAC"},
      {"UTF-8", "\xC3\x9Cn\xC3\xAF-\xE2\x82\xAC \xF0\x9F\x8E\xAE\xF1\x80\x80\x80",
       "\xC3\x9Cn\xC3\xAF-\xE2\x82\xAC \xF0\x9F\x8E\xAE\xF1\x80\x80\x80"},
      {"an overlong form, not UTF-8", "\xE0\x80\xAF", "\xC3\xA0\xE2\x82\xAC\xC2\xAF"},
      {"a surrogate, not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
      {"past U+10FFFF, not UTF-8", "\xF4\xA0\x80\x80", "\xC3\xB4\xC2\xA0\xE2\x82\xAC\xE2\x82\xAC"},
      {"a cut sequence, not UTF-8", "caf\xC3", "caf\xC3\x83"},
  };
  const std::string dir = MakeScratch();
  ASSERT_NE(dir, "");
  for (const Spelling &s : spellings) {
    const std::vector<ServerInfo> servers = {Answered(27960, s.sent, 1)};
    EXPECT_EQ(ServerTextToUtf8(s.sent), s.shown) << s.what;
    const json list = ToJson(servers);
    EXPECT_EQ(list[0]["name"], s.shown) << s.what << " in the JSON";
    KeepServerList(dir + "/kept.json", "m:1", list);
    EXPECT_EQ(json::parse(ReadFile(dir + "/kept.json"))["servers"][0]["name"], s.shown)
        << s.what << " in the kept list";
    std::ostringstream table;
    PrintTable(servers, false, table);
    EXPECT_NE(table.str().find("0  " + s.shown + "  "), std::string::npos)
        << s.what << " in the table";
  }
  fs::remove_all(dir);
}

TEST(ServerDisplay, JsonSaysNullForWhatASilentServerDidNotSay) {
  std::vector<ServerInfo> servers = {Info({kLoopback, 27960}, true, "Late", "", 0, {}, 2, 12.5),
                                     Silent(27961)};
  servers[1].reachable = false;
  const json list = ToJson(servers);
  ASSERT_EQ(list.size(), servers.size());
  EXPECT_EQ(list[1]["index"], 1) << "the index join --pick takes";
  EXPECT_EQ(list[0]["players"], 0) << "a number the server gave";
  EXPECT_TRUE(list[0]["max_players"].is_null()) << "a number the server did not give";
  EXPECT_EQ(list[0]["ping_ms"], 12.5) << "an answering server's ping";
  EXPECT_EQ(list[1]["answered"], false) << "a silent server";
  EXPECT_TRUE(list[1]["ping_ms"].is_null()) << "a silent server has no ping";
  EXPECT_TRUE(list[1]["game_type"].is_null()) << "nor a game type";
  EXPECT_EQ(Dump(list).rfind("[\n  {\n    \"", 0), 0u) << "two spaces a level";
  EXPECT_TRUE(list[0]["bots"].is_null()) << "no bots told without humans or a status";
  EXPECT_EQ(list[0]["reachable"], true) << "a server not refused";
  EXPECT_EQ(list[1]["reachable"], false) << "a server whose port is closed";
  EXPECT_FALSE(list[0].contains("player_list")) << "no players unless asked";

  servers[0].status = ServerStatus{{{"g_gametype", "2"}}, {{"^1Ann", -3, 40}}};
  const json asked = ToJson(servers, true);
  EXPECT_EQ(asked[0]["player_list"][0]["name"], "^1Ann") << "a player's name keeps its codes";
  EXPECT_EQ(asked[0]["player_list"][0]["score"], -3) << "a player's score";
  EXPECT_EQ(asked[0]["player_list"][0]["ping"], 40) << "a player's ping";
  EXPECT_EQ(asked[0]["rules"]["g_gametype"], "2") << "the rules as an object";
  EXPECT_TRUE(asked[1]["player_list"].is_null()) << "no status came from a silent server";
  EXPECT_TRUE(asked[1]["rules"].is_null()) << "nor rules";
}

TEST(ServerDisplay, HumansAndBotsAreToldApartInTheTableTheJsonAndTheFilters) {
  constexpr int kNotSent = -1, kMax = 10, kHuge = 99999;
  const std::vector<Player> human_and_bots = {{"^1Ann", 7, 30}, {"b1", 0, 0}, {"b2", 2, 0}};
  struct Count {
    const char *what;
    int clients, humans;
    std::vector<Player> status;  // none came when empty
    int max;
    std::string cell;
    json bots;
    bool not_empty;
  };
  const std::vector<Count> counts = {
      {"humans sent: the other clients are bots", 3, 1, {}, kMax, "1+2/10", 2, true},
      {"no humans sent: ping 0 in the status", 3, kNotSent, human_and_bots, kMax, "1+2/10", 2,
       true},
      {"the server's word over the pings", 3, 3, human_and_bots, kMax, "3+0/10", 0, true},
      {"more humans than clients: held to them", 2, 5, {}, kMax, "2+0/10", 0, true},
      {"only bots: empty to --not-empty", 1, 0, {}, kMax, "0+1/10", 1, false},
      {"neither: the count as given", 3, kNotSent, {}, kMax, "3/10", json(), true},
      {"a status of other players than counted: no split", 4, kNotSent, human_and_bots, kMax,
       "4/10", json(), true},
      {"a split wider than any count: the count", kHuge, 1000, {}, kHuge, "999+/999+", 98999, true},
  };
  ServerFilter not_empty;
  ASSERT_EQ(not_empty.Add("--not-empty"), "");
  for (const Count &c : counts) {
    ServerInfo s = Info({kLoopback, 27960}, true, "S", "m", c.clients, c.max, 2, 1);
    if (c.humans != kNotSent) s.humans = c.humans;
    if (!c.status.empty()) s.status = ServerStatus{{}, c.status};
    std::ostringstream table;
    PrintTable({s}, false, table);
    EXPECT_NE(Lines(table.str())[1].find("  " + c.cell + " "), std::string::npos)
        << c.what << ": " << table.str();
    EXPECT_EQ(ToJson({s})[0]["bots"], c.bots) << c.what << ": in the JSON";
    EXPECT_EQ(Filter({s}, not_empty).size(), c.not_empty ? 1u : 0u) << c.what;
  }

  ServerInfo s = Info({kLoopback, 27960}, true, "S", "m", 3, kMax, 2, 1);
  s.status = ServerStatus{{}, human_and_bots};
  s.status->players.push_back({std::string(300, 'N'), INT_MIN, INT_MAX});
  std::ostringstream plain, coloured;
  PrintTable({s}, false, plain);
  PrintTable({s}, true, coloured);
  const std::vector<std::string> rows = Lines(plain.str());
  ASSERT_EQ(rows.size(), 2 + s.status->players.size()) << "a line per player under the row";
  EXPECT_EQ(rows[2].rfind("     Ann  ", 0), 0u) << "under the name, plain in a pipe";
  EXPECT_NE(rows[2].find("score           7  ping         30 ms"), std::string::npos)
      << "score and ping in columns as wide as the widest";
  for (const std::string &row : rows) EXPECT_LE(Columns(row), kTableWidth) << row;
  EXPECT_NE(Lines(coloured.str())[2].find("\033[31mAnn"), std::string::npos)
      << "in colour on a terminal";
}

TEST(ServerDisplay, FastestFirstThenTheSilentInTheMastersOrder) {
  std::vector<ServerInfo> servers = {Silent(1), Answered(2, "", 30), Silent(3), Answered(4, "", 10),
                                     Answered(5, "", 30)};
  SortFastestFirst(&servers);
  std::vector<uint16_t> ports;
  for (const ServerInfo &s : servers) ports.push_back(s.endpoint.port);
  EXPECT_EQ(ports, (std::vector<uint16_t>{4, 2, 5, 1, 3})) << "equal pings in the master's order";
}

TEST(ServerDisplay, FiltersNarrowAndSortsOrderTheListAsShown) {
  ServerInfo bravo = Info({kLoopback, 1}, true, "^1Bravo", "Oasis", 4, 12, 2, 30);
  ServerInfo alpha = Info({kLoopback, 2}, true, "alpha", "sw_goldrush_te", 12, 12, 3, 10);
  ServerInfo charlie = Info({kLoopback, 4}, true, "Charlie", "radar", 0, 20, 4, 50);
  ServerInfo other = Info({kLoopback, 5}, true, "Delta", "oasis", 2, 8, 2, 20);
  std::tie(bravo.mod, bravo.needpass, alpha.mod, alpha.needpass, charlie.mod) =
      std::make_tuple("etmain", false, "legacy", true, "etpro");  // charlie: no password flag
  std::tie(other.protocol, other.mod, other.needpass) = std::make_tuple(68, "baseq3", false);
  const std::vector<ServerInfo> found = {bravo, alpha, Silent(3), charlie, other};
  static constexpr int kStopwatch = 3, kMapVote = 6;

  struct Case {
    const char *what;
    std::vector<uint16_t> ports;
    std::vector<std::pair<const char *, std::string>> filters;
    ServerSort sort = ServerSort::kPing;
  };
  const std::vector<Case> cases = {
      {"fastest first, silent last", {2, 5, 1, 4, 3}, {}},
      {"most players first", {2, 1, 5, 4, 3}, {}, ServerSort::kPlayers},
      {"names without colour codes, case aside", {2, 1, 4, 5, 3}, {}, ServerSort::kName},
      {"equal maps keep the faster first", {5, 1, 4, 2, 3}, {}, ServerSort::kMap},
      {"--not-full: a free slot, of this game", {1, 4}, {{"--not-full", ""}}},
      {"--not-empty", {2, 1}, {{"--not-empty", ""}}},
      {"--map: part of the name", {2}, {{"--map", "goldrush"}}},
      {"--map: case aside, not another game's", {1}, {{"--map", "OASIS"}}},
      {"--mod: the whole name, case aside", {4}, {{"--mod", "ETPRO"}}},
      {"--game-type: not another game's", {1}, {{"--game-type", "Objective"}}},
      {"--no-password: a server saying so", {1}, {{"--no-password", ""}}},
      {"--max-ping: up to it, no silent one", {2, 5, 1}, {{"--max-ping", "30"}}},
      {"filters together", {1}, {{"--max-ping", "30"}, {"--not-full", ""}}},
  };
  for (const Case &c : cases) {
    ServerFilter filter;
    for (const auto &[option, typed] : c.filters)
      ASSERT_EQ(filter.Add(option, typed), "") << c.what;
    std::vector<ServerInfo> servers = found;
    SortServers(c.sort, &servers);
    std::vector<uint16_t> ports;
    for (const size_t i : Filter(servers, filter)) ports.push_back(servers[i].endpoint.port);
    EXPECT_EQ(ports, c.ports) << c.what;
  }
  EXPECT_EQ(ParseGameType("map VOTE"), kMapVote) << "a game type by its name in the table";
  EXPECT_EQ(ParseGameType(std::to_string(kStopwatch)), kStopwatch) << "or by its number";
  EXPECT_EQ(ParseGameType("-1"), std::nullopt) << "no type below 0";
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

TEST(KeptServerList, JoinPickReadsBackTheAddressesInTheTablesOrder) {
  const std::string dir = MakeScratch();
  ASSERT_NE(dir, "");
  const std::string settings = dir + "/wolfet-host.json", kept = KeptListPath(settings);
  const auto read = [&] { StoredServerAddresses(settings); };

  // Step 1: nothing kept yet.
  EXPECT_EQ(kept, dir + "/wolfet-host.servers.json") << "the list lies beside the settings file";
  EXPECT_EQ(FailureOf(read, "run 'wolfet-host servers' first"), Fault::kBadInput) << "no list kept";

  // Step 2: a list kept, and read back.
  const std::vector<ServerInfo> servers = {Answered(27961, "A", 1), Silent(27960)};
  KeepServerList(kept, "127.0.0.1:27950", ToJson(servers));
  const std::vector<std::string> addresses = {"127.0.0.1:27961", "127.0.0.1:27960"};
  EXPECT_EQ(StoredServerAddresses(settings), addresses) << "the addresses in the list's order";
  EXPECT_EQ(json::parse(ReadFile(kept))["master"], "127.0.0.1:27950") << "and the master's name";

  // Step 3: a full disk leaves the last list whole.
  fs::create_symlink("/dev/full", kept + ".tmp");
  EXPECT_EQ(
      FailureOf([&] { KeepServerList(kept, "x:1", ToJson({})); }, "cannot write the server list"),
      Fault::kFile)
      << "a list that cannot be written";
  EXPECT_FALSE(fs::is_symlink(kept + ".tmp")) << "the temporary goes";
  EXPECT_EQ(StoredServerAddresses(settings), addresses) << "the last list stays";

  // Step 4: a list damaged by hand spoils every index.
  for (const char *damaged :
       {R"({"servers": [{"address": "a:1"}, 5]})", R"({"servers": []})", "{ not json"}) {
    WriteFile(kept, damaged);
    EXPECT_EQ(FailureOf(read, "is empty or damaged"), Fault::kBadInput) << damaged;
  }
  fs::remove_all(dir);
}

}  // namespace

#endif
