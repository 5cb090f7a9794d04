// The command line's own checks: time-outs, master addresses, commands and
// global options wherever they are typed; servers, which shows what it
// found, as JSON when asked, even when it cannot keep it; and join --pick,
// which joins from that list only what the game can join.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <map>
#include <nlohmann/json.hpp>

#include "support/cli.h"
#include "tools/stand-ins/stand_in_network.h"

namespace {

using namespace wolfet_host;  // NOLINT: the stand-in network
using nlohmann::json;

const char kQueryOff[] = R"({"engine": {"servers": {"performquery": "0"}}})";

struct Typed {
  std::string args;
  int code;
  std::vector<std::string> says;
  const char *settings = kQueryOff;  // written by hand, and left as it was
};

TEST_F(Cli, TimeOutsAddressesAndCommandsAreCheckedWhereTheyAreTyped) {
  std::vector<Typed> typed = {
      {"servers --master ''", kBadArgument, {"--master: '' names no master server"}},
      {"servers --master '[::1]:27950'", kBadArgument, {"only IPv4 masters"}},
      {"set engine servers masteraddress 'no such host:99999'",
       kBadArgument,
       {"masteraddress takes HOST[:PORT]", "port that is not a number from 1 to 65535"}},
      {"set engine servers masteraddress 'no such host'", kBadArgument, {"is not a host name"}},
      {"servers",
       kBadArgument,
       {"of engine servers masteraddress (in wolfet-host.json)", "only IPv4 masters",
        "wolfet-host set engine servers masteraddress HOST[:PORT]"},
       R"({"engine": {"servers": {"masteraddress": "::1"}}})"},
      {"bogus", kBadArgument, {"'bogus' is not a command", "the commands are: schema, set, get"}},
      {"servers --max-ping -1", kBadArgument, {"--max-ping: Value -1 not in range"}},
      {"servers --sort bogus", kBadArgument, {"'bogus' is not an order"}},
      {"servers --game-type bogus", kBadArgument, {"'bogus' is not a game type", "Objective"}},
      {"servers --player ''", kBadArgument, {"--player: an empty text would keep every server"}},
      {"info '[::1]:27960'", kBadArgument, {"only IPv4 servers"}},
      {"settings --settings other.json", kOk, {"settings in other.json"}},
      {"get --help", kOk, {"Global options:", "--settings TEXT"}},
  };
  for (const char *command : {"servers", "host", "join x", "info x"})
    for (const char *seconds : {"nan", "inf", "-1"})
      typed.push_back({std::string(command) + " --timeout " + seconds,
                       kBadArgument,
                       {seconds[0] == '-' ? "not in range" : "is not a number of seconds"}});
  for (const Typed &t : typed) {
    Step(t.args);
    WriteFile(dir + "/wolfet-host.json", t.settings);
    Expect(t.code, t.args, t.says);
    EXPECT_EQ(ReadFile(dir + "/wolfet-host.json"), t.settings) << t.args << ": no value changed";
  }
}

TEST_F(Cli, ServersShowsWhatItFoundInOneSpellingEvenWhenItCannotKeepIt) {
  const std::string sent = "W\xFCrzburg caf\xE9 \x80",
                    shown = "W\xC3\xBCrzburg caf\xC3\xA9 \xE2\x82\xAC";
  StandInServers net;
  const auto master = [&net](const std::string &list) {
    return std::to_string(net.Add([list](const std::string &, int) {
      return std::vector<Reply>{kMasterHead + list + kMasterEnd};
    }));
  };
  const std::string full =
      master(MasterEntry(kLoopback, net.Add(GameServer("\\hostname\\" + sent))));
  const std::string empty = master("");
  net.Start();

  Step("--json with public servers off");
  WriteFile(dir + "/wolfet-host.json", kQueryOff);
  Expect(kOk, "servers --json", {"public servers are off"});
  EXPECT_EQ(json::parse(out, nullptr, false), json::array()) << "standard output holds JSON";

  Step("a master named by its host name; a Windows-1252 name as UTF-8 in the JSON and the table");
  Expect(kOk, "set engine servers performquery 1");
  Expect(kOk, "set engine servers masteraddress localhost:" + full);
  Expect(kOk, "servers --json --timeout 5");
  EXPECT_EQ(json::parse(out, nullptr, false)[0]["name"], shown) << out;
  Expect(kOk, "servers --timeout 5", {"0  " + shown + "  "});

  Step("a list that cannot be kept is shown all the same");
  std::filesystem::remove(dir + "/wolfet-host.servers.json");
  std::filesystem::create_directory(dir + "/wolfet-host.servers.json");
  Expect(kFailure, "servers --timeout 5", {shown, "1 servers listed by", "--settings FILE"});
  Expect(kFailure, "servers --json --timeout 5", {"not kept"});
  EXPECT_EQ(json::parse(out, nullptr, false)[0]["name"], shown) << "the JSON too";

  Step("an empty list offers nothing to join");
  std::filesystem::remove(dir + "/wolfet-host.servers.json");
  Expect(kOk, "servers --master 127.0.0.1:" + empty, {"0 servers listed by"});
  EXPECT_FALSE(Told("join one with")) << "no server to pick";
}

TEST_F(Cli, JoinPickRefusesWhatTheGameCannotJoinAndAsksForcePastAPassword) {
  StandInServers net;
  ServerKeys locked, other;
  locked.needpass = true;
  other.protocol = 68;
  const std::string list =
      MasterEntry(kLoopback, net.Add(GameServer("\\hostname\\Locked" + InfoPairs(locked)))) +
      MasterEntry(kLoopback, net.Add(GameServer("\\hostname\\Open" + InfoPairs({})))) +
      MasterEntry(kLoopback, net.Add(GameServer("\\hostname\\Other" + InfoPairs(other))));
  const uint16_t master = net.Add([list](const std::string &, int) {
    return std::vector<Reply>{kMasterHead + list + kMasterEnd};
  });
  net.Start();
  InstallGame();
  Expect(kOk, "set engine general enginepath " + Quote(engine));
  // By name, so that every run keeps the same order whatever the pings.
  const std::string servers =
      "servers --timeout 5 --sort name --master 127.0.0.1:" + std::to_string(master);
  Expect(kOk, servers, {"other game (protocol 68)", " pw  ", "pw: needs a password"});
  Expect(kOk, servers + " --json");
  std::map<std::string, std::string> pick;  // by name, as the list kept has it
  for (const json &server : json::parse(out, nullptr, false))
    pick[server.value("name", "")] = std::to_string(server.value("index", -1));

  Step("a filter narrows what is shown, not the list kept");
  Expect(kOk, servers + " --no-password", {"1 of 3 servers shown (filters: --no-password)"});
  Expect(kOk, servers + " --no-password --json");
  const json shown = json::parse(out, nullptr, false);
  ASSERT_EQ(shown.size(), 1u) << out;
  EXPECT_EQ(std::to_string(shown[0].value("index", -1)), pick["Open"])
      << "# as join --pick takes it";
  EXPECT_EQ(json::parse(ReadFile(dir + "/wolfet-host.servers.json"))["servers"].size(), 3u)
      << "the kept list is whole";

  Step("another game's server");
  Expect(kBadArgument, "join --force --pick " + pick["Other"],
         {"is of another game (protocol 68)", "et.exe cannot join"});
  Step("a server that needs a password");
  Expect(kBadArgument, "join --pick " + pick["Locked"], {"needs a password", "--force"});
  Step("--force joins it all the same");
  Expect(kOk, "join --force --pick " + pick["Locked"], {"joining server " + pick["Locked"]},
         "FAKE_ET_RUN_MS=0");
}

TEST_F(Cli, InfoShowsOneServersRulesAndPlayersAndServersFindsAPlayer) {
  StandInServers net;
  const std::vector<Player> players = {{"^1[TC]^7Fox", 12, 40}, {"bot", 0, 0}};
  const std::string fox = std::to_string(net.Add(
      GameServer("\\hostname\\FoxDen\\clients\\2\\sv_maxclients\\10" + InfoPairs({}), players)));
  const uint16_t empty = net.Add(GameServer("\\hostname\\Empty" + InfoPairs({})));
  const std::string silent =
      std::to_string(net.Add([](const std::string &, int) { return std::vector<Reply>{}; }));
  const std::string list =
      MasterEntry(kLoopback, static_cast<uint16_t>(std::stoi(fox))) + MasterEntry(kLoopback, empty);
  const std::string master = std::to_string(net.Add([list](const std::string &, int) {
    return std::vector<Reply>{kMasterHead + list + kMasterEnd};
  }));
  net.Start();

  Step("info: the server's row, its players, then its rules in order");
  Expect(kOk, "info --timeout 5 127.0.0.1:" + fox,
         {"FoxDen", "1+1/10", "  sv_maxclients = 10", "     [TC]Fox  score 12  ping 40 ms"});
  EXPECT_LT(out.find("clients = 2"), out.find("hostname = FoxDen")) << "the rules sorted by key";
  Expect(kOk, "info --json --timeout 5 127.0.0.1:" + fox);
  const json object = json::parse(out, nullptr, false);
  EXPECT_EQ(object.value("bots", -1), 1) << "one object, its bot counted";
  EXPECT_EQ(object["player_list"][0].value("name", ""), "^1[TC]^7Fox") << "codes kept: " << out;

  Step("a server that does not answer");
  Expect(kNoMaster, "info --timeout 0.5 127.0.0.1:" + silent, {"sent no answer within 0.5 s"});
  Expect(kNoMaster, "info --json --timeout 0.5 127.0.0.1:" + silent);
  EXPECT_EQ(json::parse(out, nullptr, false).value("answered", true), false) << "JSON all the same";

  const std::string servers = "servers --timeout 5 --master 127.0.0.1:" + master;
  Step("servers asks no status unless told");
  Expect(kOk, servers, {"FoxDen", "Empty"});
  EXPECT_FALSE(Told("score")) << "no players without --players";
  Step("--players: each server's players under its row");
  Expect(kOk, servers + " --players", {"     [TC]Fox  score 12  ping 40 ms"});
  Step("--player: the servers where a player of that name is on");
  Expect(kOk, servers + " --player tc]FOX", {"1 of 2 servers shown (filters: --player tc]FOX)"});
  EXPECT_FALSE(Told("Empty")) << "a server without that player is not shown";
}

}  // namespace

#endif
