// The server browser against a real server of the engine family that no
// one here wrote: Debian's ioq3ded on a game folder and map made here, a
// player joined through the game's own handshake. in_namespace.sh runs it
// in a private network namespace where one can be made.
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "real_server/ioq3_client.h"
#include "real_server/ioq3_server.h"
#include "support/cli.h"
#include "tools/wolfet-host/servers/browser.h"
#include "tools/wolfet-host/servers/display.h"
#include "tools/stand-ins/stand_in_network.h"

namespace {

using namespace wolfet_host;  // NOLINT: the names under test
using nlohmann::json;

const std::string kGame = "etstyle";  // the standalone game's folder
const std::string kMap = "tiny";
const std::string kColouredName = "^1Real^7 ioq3 ^dET^ostyle";
const std::string kPlainName = "Real ioq3 ETstyle";
const std::string kPlayer = "^2Field^dAgent";  // no black (^0, ^p...): the game drops it
const std::string kPassword = "secret";
const std::string kIoq3GameName = "Quake3Arena";  // what getchallenge must name
constexpr int kMaxPlayers = 6;
constexpr int kIoq3Protocol = 71, kIoq3LegacyProtocol = 68;

struct Lock {
  const char *what;
  std::string password;
  bool needpass;
};

using RealServer = Cli;

TEST_F(RealServer, TheBrowserReadsIoq3dedsInfoPlayersAndPasswordFlag) {
  if (access(kIoq3ded, X_OK) != 0 || PackagedGameLibrary().empty())
    GTEST_SKIP() << "ioquake3-server is not installed: cmake/ensure-packages.sh ioquake3-server";
  for (const Lock &lock : {Lock{"open", "", false}, Lock{"passworded", kPassword, true}}) {
    const std::string run = dir + "/" + lock.what;
    Step(std::string(lock.what) + ": ioq3ded starts on the game folder made here");
    Ioq3Server server(run, kGame, kMap,
                      {{"sv_hostname", kColouredName},
                       {"sv_maxclients", std::to_string(kMaxPlayers)},
                       {"g_password", lock.password}});
    const uint16_t port = server.Port();
    ASSERT_NE(port, 0) << step << "\n" << server.Log();
    Ioq3Client client(port);
    ASSERT_TRUE(client.Ask("getinfo up", "infoResponse")) << step << "\n" << server.Log();

    Step(std::string(lock.what) + ": a player joins through the game's handshake");
    const std::string joined =
        client.Join("\\name\\" + kPlayer + "\\password\\" + lock.password, kIoq3GameName);
    EXPECT_EQ(joined.rfind("connectResponse", 0), 0u) << step << ": the server said " << joined;

    ASSERT_TRUE(client.AwaitPingCounted()) << step << ": its ping counted";

    Step(std::string(lock.what) + ": the browser, through a stand-in master listing it");
    StandInServers net;
    const uint16_t master = net.Add([port](const std::string &, int) {
      return std::vector<Reply>{kMasterHead + MasterEntry(kLoopback, port) + kMasterEnd};
    });
    net.Start();
    BrowseRequest request;
    request.master_host = "127.0.0.1";
    request.master_port = master;
    request.status = true;
    const BrowseResult browsed = Browse(request);
    ASSERT_EQ(browsed.servers.size(), 1u) << step << ": the server listed";
    const ServerInfo &info = browsed.servers[0];
    ASSERT_TRUE(info.answered) << step << ": it answers";
    EXPECT_EQ(PlainText(info.name), kPlainName) << step << ": its name without colour codes";
    EXPECT_EQ(info.map, kMap) << step << ": its map";
    EXPECT_EQ(info.max_players, kMaxPlayers) << step << ": its player limit";
    EXPECT_EQ(info.players, 1) << step << ": the player joined";
    EXPECT_EQ(info.humans, 1) << step << ": who is no bot";
    EXPECT_EQ(info.needpass, lock.needpass) << step << ": its password flag";
    ASSERT_TRUE(info.protocol.has_value()) << step << ": its protocol";
    EXPECT_TRUE(*info.protocol == kIoq3Protocol || *info.protocol == kIoq3LegacyProtocol)
        << step << ": ioq3's protocol, not " << *info.protocol;
    EXPECT_FALSE(IsThisGame(info)) << step << ": not this game's server";
    const std::string other_game = "other game (protocol " + std::to_string(*info.protocol) + ")";
    EXPECT_EQ(OtherGame(info.protocol, info.game), other_game)
        << step << ": why it cannot be joined";
    ASSERT_TRUE(info.status.has_value()) << step << ": its status";
    EXPECT_EQ(info.status->rules.count("sv_maxclients"), 1u) << step << ": the status's rules";
    ASSERT_EQ(info.status->players.size(), 1u) << step << ": the player on its status";
    EXPECT_EQ(info.status->players[0].name, kPlayer) << step << ": the name, colour codes kept";
    EXPECT_GT(info.status->players[0].ping, 0) << step << ": a client's ping (bots have 0)";

    Step(std::string(lock.what) + ": wolfet-host servers, as a table and as JSON");
    const std::string listed = "--master 127.0.0.1:" + std::to_string(master);
    Expect(kOk, "servers " + listed, {kPlainName, other_game});
    EXPECT_EQ(out.find('^'), std::string::npos) << step << ": no colour code left in the table";
    Expect(kOk, "servers --json " + listed);
    const json printed = json::parse(out, nullptr, false);
    ASSERT_TRUE(printed.is_array() && printed.size() == 1) << step << ": one server\n" << out;
    EXPECT_EQ(printed[0]["name"], kColouredName) << step << ": JSON keeps the colour codes";
    EXPECT_EQ(printed[0]["joinable"], false) << step << ": another game's server";
    EXPECT_EQ(printed[0]["needpass"], lock.needpass) << step << ": the password flag";
    EXPECT_EQ(printed[0]["players"], 1) << step << ": the player joined";
  }
}

}  // namespace
