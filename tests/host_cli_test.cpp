// The command line's own promises: time-outs that are numbers, master
// addresses checked where they are given, commands and global options
// wherever a person types them, and a servers command that shows what it
// found (as JSON when asked) even when it cannot keep it.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <nlohmann/json.hpp>

#include "support/cli.h"
#include "tools/host/servers/stand_in_network.h"

namespace {

using namespace wolfet_host;  // NOLINT: the stand-in network
using nlohmann::json;

const char kQueryOff[] = R"({"engine": {"servers": {"performquery": "0"}}})";

// A command run in a folder holding nothing but, where given, a settings
// file written by hand, which a refusal leaves as it was.
struct Refused {
  std::string name;
  int code;
  std::string args;
  std::vector<std::string> says;
  const char *settings = nullptr;
};

TEST_F(Cli, TimeOutsAddressesAndCommandsAreCheckedWhereTheyAreTyped) {
  std::vector<Refused> cases = {
      {"an empty --master, not the setting's",
       kBadArgument,
       "servers --master ''",
       {"--master: '' names no master server"},
       kQueryOff},
      {"an IPv6 master",
       kBadArgument,
       "servers --master '[::1]:27950'",
       {"only IPv4 masters"},
       kQueryOff},
      {"a master set with a port past 65535 and spaces in its name",
       kBadArgument,
       "set engine servers masteraddress 'no such host:99999'",
       {"engine servers masteraddress takes HOST[:PORT]",
        "port that is not a number from 1 to "
        "65535"}},
      {"a master set with a name no host has",
       kBadArgument,
       "set engine servers masteraddress 'no such host'",
       {"is not a host name"}},
      {"a master edited by hand, named with the setting it came from",
       kBadArgument,
       "servers",
       {"of engine servers masteraddress (in wolfet-host.json)", "only IPv4 masters",
        "wolfet-host set engine servers masteraddress HOST[:PORT]"},
       R"({"engine": {"servers": {"masteraddress": "::1"}}})"},
      {"a word that is no command",
       kBadArgument,
       "bogus",
       {"'bogus' is not a command", "the commands are: schema, set, get"}},
      {"a global option after the command",
       kOk,
       "settings --settings other.json",
       {"settings in other.json"}},
      {"a command's help", kOk, "get --help", {"Global options:", "--settings TEXT"}},
  };
  for (const char *command : {"servers", "host", "join x"})
    for (const char *seconds : {"nan", "inf", "-1"})
      cases.push_back(
          {std::string(command) + " --timeout " + seconds,
           kBadArgument,
           std::string(command) + " --timeout " + seconds,
           {"--timeout: ", seconds[0] == '-' ? "not in range" : "not a number of seconds"},
           kQueryOff});
  for (const Refused &refused : cases) {
    Step(refused.name);
    std::filesystem::remove(dir + "/wolfet-host.json");
    if (refused.settings != nullptr) WriteFile(dir + "/wolfet-host.json", refused.settings);
    Expect(refused.code, refused.args, refused.says);
    EXPECT_EQ(ReadFile(dir + "/wolfet-host.json"),
              refused.settings != nullptr ? refused.settings : "")
        << refused.name << ": the settings file is left as it was";
  }
}

TEST_F(Cli, ServersPrintsWhatItFoundInOneSpellingEvenWhenItCannotKeepIt) {
  const std::string cp1252 =
                        "W\xFC"
                        "rzburg caf\xE9 \x80",
                    utf8 =
                        "\xC3\x9Cn\xC3\xAF"
                        "c\xC3\xB8"
                        "d\xC3\xA9";
  const std::string cp1252_shown = "W\xC3\xBCrzburg caf\xC3\xA9 \xE2\x82\xAC";
  StandInServers net;
  std::string list = kMasterHead;
  for (const std::string &name : {cp1252, utf8})
    list += MasterEntry(kLoopback, net.Add(GameServer("\\hostname\\" + name)));
  const auto master = [&net](const std::string &datagram) {
    return std::to_string(
        net.Add([datagram](const std::string &, int) { return std::vector<Reply>{datagram}; }));
  };
  const std::string full = master(list + kMasterEnd), empty = master(kMasterHead + kMasterEnd);
  net.Start();

  Step("--json with public servers off");
  WriteFile(dir + "/wolfet-host.json", kQueryOff);
  Expect(kOk, "servers --json", {"public servers are off"});
  EXPECT_EQ(json::parse(out, nullptr, false), json::array()) << "standard output is JSON: []";

  Step("a master named by a host name; each name spelt alike in the JSON, the list and the table");
  Expect(kOk, "set engine servers performquery 1");
  Expect(kOk, "set engine servers masteraddress localhost:" + full);
  Expect(kOk, "servers --json --timeout 5");
  const json printed = json::parse(out, nullptr, false);
  const json kept = json::parse(ReadFile(dir + "/wolfet-host.servers.json"), nullptr, false);
  ASSERT_EQ(printed.size(), 2u) << out;
  std::vector<std::string> names;
  for (const json &server : printed) names.push_back(server["name"]);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{cp1252_shown, utf8}))
      << "Windows-1252 and UTF-8 names both as UTF-8";
  EXPECT_EQ(kept["servers"], printed) << "the kept list as printed";
  Expect(kOk, "servers --timeout 5", {cp1252_shown, utf8});

  Step("a list that cannot be kept");
  std::filesystem::remove(dir + "/wolfet-host.servers.json");
  std::filesystem::create_directory(dir + "/wolfet-host.servers.json");
  Expect(kFailure, "servers --timeout 5",
         {cp1252_shown, "2 servers listed by", "not kept", "--settings FILE"});
  Expect(kFailure, "servers --json --timeout 5", {"--settings FILE"});
  EXPECT_EQ(json::parse(out, nullptr, false).size(), printed.size()) << "the JSON is printed";

  Step("an empty list offers nothing to join");
  std::filesystem::remove(dir + "/wolfet-host.servers.json");
  Expect(kOk, "servers --master 127.0.0.1:" + empty, {"0 servers listed by"});
  EXPECT_FALSE(Told("join one with")) << "no server to pick";
}

}  // namespace

#endif
