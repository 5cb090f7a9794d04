// The game's protocol as the browser reads it: the master's lists, the
// servers' info and status answers, and addresses as people type them.
#include "tools/wolfet-host/servers/protocol.h"

#include <gtest/gtest.h>

#include "tools/stand-ins/stand_in_network.h"

namespace {

using namespace wolfet_host;  // NOLINT: the names under test

const std::string kOob = "\xff\xff\xff\xff";
constexpr size_t kMaxValue = 255;  // bytes of one info value
constexpr size_t kMaxInfo = 8192;  // bytes of an info response read

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

}  // namespace
