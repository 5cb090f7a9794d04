// The server list for people and for scripts: the table with the names'
// colours, the JSON, humans and bots told apart, the filters and the sorts.
#include <gtest/gtest.h>

#include <climits>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "tools/stand-ins/stand_in_network.h"
#include "tools/wolfet-host/servers/browser.h"
#include "tools/wolfet-host/servers/display.h"
#include "tools/wolfet-host/servers/server_filter.h"

namespace {

using namespace wolfet_host;  // NOLINT: the names under test
using nlohmann::json;

const std::string kOob = "\xff\xff\xff\xff";

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

// Text to the left, numbers to the right, no colour codes in a pipe;
// Windows-1252 as UTF-8, a control character and a byte 1252 leaves
// undefined as '?', a name too long cut with an ellipsis, an unknown
// number as '?', a game type without a name by its number; the silent
// and the refused said apart. On a terminal the codes become colours that
// take no room: ^1 red, ^7 white and ^0 black the terminal's own colour.
TEST(ServerDisplay, TheTableShowsWhatEachServerSaidInColumns) {
  std::vector<ServerInfo> servers = {
      Info({kLoopback, 27960}, true, "^1Red^7Fox^0!", "oasis", 0, 16, 2, 12.4),
      Info({kLoopback, 27961}, true, "L\xE9te\x1F\x81" + std::string(90, 'N'), "", {}, 16, 7, 3),
      Silent(27962), Silent(27963)};
  servers[3].reachable = false;
  std::ostringstream plain, coloured;
  PrintTable(servers, false, plain);
  PrintTable(servers, true, coloured);
  EXPECT_EQ(plain.str(),
            "#  Name                   Mod  Map    Players  Type        Ping  Address\n"
            "0  RedFox!                     oasis  0/16     Objective  12 ms  127.0.0.1:27960\n"
            "1  L\xC3\xA9te??NNNNNNNNNNNNNN\xE2\x80\xA6              ?/16     type 7      3 ms  "
            "127.0.0.1:27961\n"
            "2  (not answering)                                            -  127.0.0.1:27962\n"
            "3  (unreachable)                                              -  127.0.0.1:27963\n");
  const std::vector<std::string> rows = Lines(plain.str()), in_colour = Lines(coloured.str());
  EXPECT_NE(in_colour[1].find("\033[31mRed\033[39mFox\033[39m!\033[0m"), std::string::npos)
      << in_colour[1];
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(Uncoloured(in_colour.at(i)), rows[i]);
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
  for (size_t length = 0; length <= kTableWidth; ++length) {  // its mark beside any name
    ServerInfo other = Info({kLoopback, 27960}, true, std::string(length, 'N'), "", {}, {}, {}, 1);
    other.protocol = 99999;
    std::ostringstream table;
    PrintTable({other}, false, table);
    EXPECT_LE(Columns(Lines(table.str()).at(1)), kTableWidth) << table.str();
  }
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

TEST(ServerDisplay, TheTableAndTheJsonSpellEachNameAlike) {
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
  for (const Spelling &s : spellings) {
    const std::vector<ServerInfo> servers = {Answered(27960, s.sent, 1)};
    EXPECT_EQ(ServerTextToUtf8(s.sent), s.shown) << s.what;
    EXPECT_EQ(ToJson(servers)[0]["name"], s.shown) << s.what << " in the JSON (and the kept list)";
    std::ostringstream table;
    PrintTable(servers, false, table);
    EXPECT_NE(table.str().find("0  " + s.shown + "  "), std::string::npos)
        << s.what << " in the table";
  }
}

// What a server did not say is null; the status adds its players and rules.
TEST(ServerDisplay, JsonSaysNullForWhatASilentServerDidNotSay) {
  std::vector<ServerInfo> servers = {Info({kLoopback, 27960}, true, "Late", "", 0, {}, 2, 12.5),
                                     Silent(27961)};
  servers[1].reachable = false;
  servers[0].status = ServerStatus{{{"g_gametype", "2"}}, {{"^1Ann", -3, 40}}};
  EXPECT_EQ(Dump(ToJson(servers)), R"([
  {
    "address": "127.0.0.1:27960",
    "answered": true,
    "bots": null,
    "favourite": false,
    "game": null,
    "game_type": 2,
    "humans": null,
    "index": 0,
    "joinable": true,
    "map": "",
    "max_players": null,
    "mod": null,
    "name": "Late",
    "needpass": null,
    "ping_ms": 12.5,
    "players": 0,
    "protocol": null,
    "reachable": true
  },
  {
    "address": "127.0.0.1:27961",
    "answered": false,
    "bots": null,
    "favourite": false,
    "game": null,
    "game_type": null,
    "humans": null,
    "index": 1,
    "joinable": true,
    "map": "",
    "max_players": null,
    "mod": null,
    "name": "",
    "needpass": null,
    "ping_ms": null,
    "players": null,
    "protocol": null,
    "reachable": false
  }
])");
  const json asked = ToJson(servers, true);
  EXPECT_EQ(asked[0]["player_list"].dump() + asked[0]["rules"].dump(),
            R"([{"name":"^1Ann","ping":40,"score":-3}]{"g_gametype":"2"})");
  EXPECT_EQ(asked[1]["player_list"].dump() + asked[1]["rules"].dump(), "nullnull");
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

TEST(ServerDisplay, FiltersNarrowAndSortsOrderTheListAsShown) {
  ServerInfo bravo = Info({kLoopback, 1}, true, "^1Bravo", "Oasis", 4, 12, 2, 30);
  ServerInfo alpha = Info({kLoopback, 2}, true, "alpha", "sw_goldrush_te", 12, 12, 3, 10);
  ServerInfo charlie = Info({kLoopback, 4}, true, "Charlie", "radar", 0, 20, 4, 30);
  ServerInfo other = Info({kLoopback, 5}, true, "Delta", "oasis", 2, 8, 2, 20);
  std::tie(bravo.mod, bravo.needpass, alpha.mod, alpha.needpass, charlie.mod) =
      std::make_tuple("etmain", false, "legacy", true, "etpro");  // charlie: no password flag
  std::tie(other.protocol, other.mod, other.needpass) = std::make_tuple(68, "baseq3", false);
  const std::vector<ServerInfo> found = {Silent(6), bravo, alpha, Silent(3), charlie, other};
  static constexpr int kStopwatch = 3, kMapVote = 6;

  struct Case {
    const char *what;
    std::vector<uint16_t> ports;
    std::vector<std::pair<const char *, std::string>> filters;
    ServerSort sort = ServerSort::kPing;
  };
  const std::vector<Case> cases = {
      {"fastest first, equal pings and the silent in the master's order", {2, 5, 1, 4, 6, 3}, {}},
      {"most players first", {2, 1, 5, 4, 6, 3}, {}, ServerSort::kPlayers},
      {"names without colour codes, case aside", {2, 1, 4, 5, 6, 3}, {}, ServerSort::kName},
      {"equal maps keep the faster first", {5, 1, 4, 2, 6, 3}, {}, ServerSort::kMap},
      {"--not-full: a free slot, of this game", {1, 4}, {{"--not-full", ""}}},
      {"--not-empty", {2, 1}, {{"--not-empty", ""}}},
      {"--map: part of the name", {2}, {{"--map", "goldrush"}}},
      {"--map: case aside, not another game's", {1}, {{"--map", "OASIS"}}},
      {"--mod: the whole name, case aside", {4}, {{"--mod", "ETPRO"}}},
      {"--game-type: not another game's", {1}, {{"--game-type", "Objective"}}},
      {"--no-password: a server saying so", {1}, {{"--no-password", ""}}},
      {"--max-ping: up to it, no silent one", {2, 5, 1, 4}, {{"--max-ping", "30"}}},
      {"filters together", {1}, {{"--max-ping", "30"}, {"--not-full", ""}, {"--mod", "etmain"}}},
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

}  // namespace
