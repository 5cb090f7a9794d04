// wolfet-host servers against a stand-in master and stand-in game servers
// on 127.0.0.1, join --pick from the list it keeps, and verify on a folder
// laid out as the game installs itself.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "support/sandbox.h"
#include "support/stand_in_servers.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
const std::string kOob = "\xff\xff\xff\xff";

class Browse : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/wolfet-servers-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    engine = dir + "/engine/";
    fs::create_directories(engine + "etmain");
  }
  void TearDown() override { fs::remove_all(dir); }

  // The host in `dir`, its output in `out` and `err`; the exit code.
  int Run(const std::string &args, const std::string &env = "") {
    const std::string command = "cd " + dir + " && env SDLL_SYSCOLOR_FILE=" + dir + "/colours " +
                                env + " " + WOLFET_HOST_EMULATOR + " " + WOLFET_HOST_PATH + " " +
                                args + " >" + dir + "/out 2>" + dir + "/err";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out = ReadFile(dir + "/out");
    err = ReadFile(dir + "/err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string dir, engine, out, err;
  double seconds = 0;
  StandInServers net;
};

#define EXPECT_CONTAINS(haystack, needle) \
  EXPECT_NE((haystack).find(needle), std::string::npos) << (haystack)

struct Expected {
  const char *what;
  Answer answer;
  json server;  // what --json says of it but index, address and ping; null: silent
};

json Said(const std::string &name, const std::string &map, json players, json max, json type) {
  return {{"answered", true},   {"name", name},       {"map", map},
          {"players", players}, {"max_players", max}, {"game_type", type}};
}

std::vector<Reply> Say(const std::string &datagram) { return {datagram}; }

TEST_F(Browse, ListsEveryServerOnceWithWhatItSaidAndJoinsOneByIndex) {
  const json none;
  const std::vector<Expected> cases = {
      {"plain",
       GameServer("\\hostname\\^1Red^7Fox\\mapname\\oasis\\clients\\3\\sv_maxclients\\16"
                  "\\gametype\\2\\needpass\\0"),
       Said("^1Red^7Fox", "oasis", 3, 16, 2)},
      {"answers the second request, not UTF-8",
       [](const std::string &r, int asked) {
         return asked < 2 ? std::vector<Reply>{} : GameServer("\\hostname\\L\xE9te")(r, asked);
       },
       Said("L\uFFFDte", "", none, none, none)},
      {"garbled pairs", GameServer("\\clients\\many\\sv_maxclients\\-4\\gametype\\9\\hostname"),
       Said("", "", none, none, 9)},
      {"oversized", GameServer("\\hostname\\" + std::string(60000, 'N') + "\\mapname\\radar"),
       Said(std::string(255, 'N'), "", none, none, none)},
      {"silent", [](const std::string &, int) { return std::vector<Reply>{}; }, none},
      {"truncated", [](const std::string &, int) { return Say(kOob + "infoRes"); }, none},
      {"another challenge",  // the one asked for, one digit changed
       [](std::string r, int) {
         r[12] = r[12] == '9' ? '1' : r[12] + 1;
         return GameServer("\\hostname\\Impostor")(r, 1);
       },
       none},
      {"status, not info",
       [](const std::string &, int) { return Say(kOob + "statusResponse\n\\hostname\\X"); }, none},
  };
  std::map<std::string, const Expected *> by_address;
  std::string first, second;
  for (size_t i = 0; i < cases.size(); ++i) {
    const uint16_t port = net.Add(cases[i].answer);
    by_address["127.0.0.1:" + std::to_string(port)] = &cases[i];
    // Listed twice, across two datagrams, with entries no one can reach.
    (i < 4 ? first : second) += MasterEntry(kLoopback, port);
    if (i == 0) second += MasterEntry(kLoopback, port) + MasterEntry(0, 27960);
  }
  first += MasterEntry(kLoopback, 0) + "\\";
  const uint16_t unlisted = net.Add(GameServer("\\hostname\\Unlisted"));
  const uint16_t master = net.Add([&](const std::string &request, int) {
    if (request != kOob + "getservers 84 empty full") return std::vector<Reply>{};
    return std::vector<Reply>{{kMasterHead + MasterEntry(kLoopback, unlisted) + kMasterEnd, true},
                              kMasterHead + first,
                              kOob + "print\nhello",
                              kMasterHead + second + kMasterEnd};
  });
  net.Start();

  ASSERT_EQ(Run("set engine servers masteraddress 127.0.0.1:" + std::to_string(master)), 0);
  ASSERT_EQ(Run("servers --timeout 1"), 0) << err;
  EXPECT_LT(seconds, 2.0);
  const std::string red = out.substr(out.find("RedFox"));
  EXPECT_CONTAINS(red.substr(0, red.find('\n')), "oasis  3/16     Objective");
  EXPECT_EQ(out.find('^'), std::string::npos);
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_CONTAINS(out, "L\xC3\xA9te");  // read as Windows-1252
  EXPECT_EQ(err.find("did not end"), std::string::npos);
  EXPECT_CONTAINS(
      out, "8 servers listed by 127.0.0.1:" + std::to_string(master) + ", 4 answering, 4 silent");

  ASSERT_EQ(Run("servers --json --timeout 1.5"), 0) << err;
  EXPECT_LT(seconds, 2.5);
  const json list = json::parse(out);
  ASSERT_EQ(list.size(), cases.size()) << out;
  int plain = -1;
  for (size_t i = 0; i < list.size(); ++i) {
    const json &s = list[i];
    ASSERT_EQ(s.size(), 9u) << s;
    EXPECT_EQ(s["index"], i);
    ASSERT_EQ(by_address.count(s["address"]), 1u) << s;
    const Expected &e = *by_address[s["address"]];
    by_address.erase(s["address"]);
    const json expected =
        e.server.empty() ? json{{"answered", false}, {"name", ""},          {"map", ""},
                                {"players", none},   {"max_players", none}, {"game_type", none}}
                         : e.server;
    for (const auto &[key, value] : expected.items())
      EXPECT_EQ(s[key], value) << e.what << " " << key;
    EXPECT_EQ(s["ping_ms"].is_number(), s["answered"].get<bool>()) << e.what;
    if (i > 0 && s["answered"].get<bool>()) {  // fastest first, the silent last
      ASSERT_TRUE(list[i - 1]["answered"].get<bool>());
      EXPECT_GE(s["ping_ms"].get<double>(), list[i - 1]["ping_ms"].get<double>());
    }
    if (e.what == std::string("plain")) plain = static_cast<int>(i);
  }

  fs::copy_file(SDLL_FAKE_GAME_PATH, engine + "et.exe");
  ASSERT_EQ(Run("set engine general enginepath " + engine), 0);
  ASSERT_EQ(Run("join --pick " + std::to_string(plain), "FAKE_ET_RUN_MS=0"), 0) << err;
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg"),
            "name Player\r\nconnect " + list[plain]["address"].get<std::string>() + "\r\n");
  EXPECT_EQ(Run("join --pick 8"), 2);
  EXPECT_CONTAINS(err, "give 0 to 7");
}

TEST_F(Browse, AMasterThatFailsEndsInItsOwnExitCodeInTime) {
  // Public servers are off: the master of the settings is asked only when
  // --master names it.
  ASSERT_EQ(Run("set engine servers performquery 0"), 0);
  const std::string bad_list = kOob + "getserversResponsX" + MasterEntry(kLoopback, 9);
  struct Case {
    const char *args;
    std::vector<Reply> replies;
    int code, asked;
    const char *says;
  } const cases[] = {
      {"--master", {}, 6, 3, "sent no server list within 0.5 s"},
      {"--master", {bad_list}, 6, 3, "sent no server list"},
      {"--master", {kMasterHead + MasterEntry(kLoopback, 9)}, 0, 1, "did not end"},
      {"", {kMasterHead + kMasterEnd}, 0, 0, "public servers are off"},
  };
  for (const Case &c : cases) {
    std::atomic<int> asked{0};
    StandInServers master;
    const std::string address = "127.0.0.1:" + std::to_string(master.Add([&](auto &, int) {
                                  ++asked;
                                  return c.replies;
                                }));
    master.Start();
    ASSERT_EQ(Run("set engine servers masteraddress " + address), 0);
    EXPECT_EQ(Run("servers --timeout 0.5 " + (*c.args ? c.args + (" " + address) : "")), c.code)
        << c.says;
    EXPECT_CONTAINS(out + err, c.says);
    EXPECT_EQ(asked, c.asked) << c.says;
    EXPECT_LT(seconds, 1.5) << c.says;
  }
  EXPECT_EQ(Run("servers --master 127.0.0.1:65536"), 2);
  EXPECT_EQ(Run("--settings other.json join --pick 0"), 2);
  EXPECT_CONTAINS(err, "run 'wolfet-host servers' first");
}

TEST_F(Browse, VerifyFindsThePakFilesInEtmain) {
  std::ofstream(engine + "et.exe") << "game";
  std::ofstream(engine + "etmain/pak0.pk3") << "paks";
  std::ofstream(engine + "etmain/et.exe") << "not the game";  // the folder comes first
  ASSERT_EQ(Run("set engine general enginepath " + engine), 0);
  ASSERT_EQ(Run("check"), 0);
  ASSERT_EQ(Run("verify --record"), 0) << out;
  EXPECT_CONTAINS(out, "et.exe: found in the engine folder, " + engine + "et.exe, 4 bytes");
  EXPECT_CONTAINS(out, "pak0.pk3: found in etmain, " + engine + "etmain/pak0.pk3, 4 bytes");
  EXPECT_EQ(Run("verify"), 0) << out;
  fs::remove(engine + "etmain/pak0.pk3");
  EXPECT_EQ(Run("verify"), 5);
  EXPECT_CONTAINS(out, engine + "etmain/pak0.pk3: missing (recorded with 4 bytes)");
}

}  // namespace

#endif
