// A game server's answers as the browser reads them. Each input is read
// twice: as a datagram from anywhere, which ReadInfoResponse and
// ReadStatusResponse read within their bounds (keys and values of at most
// 255 bytes, at most kMaxPlayers players, numbers from 0 to 99999, people
// and bots that add up); and as a server's pairs and players, which the
// stand-in game server sends in answer to the browser's own requests and
// which must read back as sent: the challenge echoed, each text whole or
// cut to 255 bytes, a UTF-8 one before the character the cut would split.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>

#include "servers/protocol.h"
#include "stand_in_network.h"
#include "text.h"

using namespace wolfet_host;  // NOLINT(google-build-using-namespace)
using Pairs = std::map<std::string, std::string>;

namespace {

// `kept` is the longest start of `sent` of at most 255 bytes; of a UTF-8
// text, the longest that is UTF-8.
void CheckCut(const std::string &sent, const std::string &kept) {
  size_t longest = std::min<size_t>(sent.size(), 255);
  while (hostkit::IsUtf8(sent) && !hostkit::IsUtf8(sent.substr(0, longest))) --longest;
  assert(kept == sent.substr(0, longest));
}

// The numbers read from `pairs`: none but from 0 to 99999, and people and
// bots that add up to the clients.
void CheckServer(const Pairs &pairs, const ServerStatus *status) {
  ServerInfo server;
  ReadServerInfo(pairs, &server);
  if (status != nullptr) server.status = *status;
  for (const std::optional<int> &n :
       {server.players, server.max_players, server.game_type, server.protocol, server.humans})
    assert(!n || (*n >= 0 && *n <= 99999));
  const std::optional<int> humans = Humans(server), bots = Bots(server);
  assert(!humans || !bots ||
         (*humans >= 0 && *bots >= 0 &&
          *humans + *bots ==
              server.players.value_or(static_cast<int>(status ? status->players.size() : 0))));
}

// A text with the bytes its place in an answer cannot carry made blanks.
std::string Text(FuzzedDataProvider &in, size_t most, const char *cannot) {
  std::string text = in.ConsumeRandomLengthString(most);
  for (char &c : text) c = std::strchr(cannot, c) != nullptr ? ' ' : c;
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string datagram(reinterpret_cast<const char *>(data), size);
  Pairs info;
  ServerStatus status;
  const bool read_info = ReadInfoResponse(datagram, &info);
  const bool read_status = ReadStatusResponse(datagram, &status);
  assert(!(read_info && read_status) && (read_info || info.empty()) &&
         status.players.size() <= kMaxPlayers);
  for (const Pairs *pairs : {&info, &status.rules})
    for (const auto &[key, value] : *pairs) assert(key.size() <= 255 && value.size() <= 255);
  for (const Player &player : status.players) assert(player.name.size() <= 255 && player.ping >= 0);
  CheckServer(read_info ? info : status.rules, read_status ? &status : nullptr);

  // The server: its pairs (among them keys the browser reads, and numbers),
  // its players, and the challenge it is asked with.
  FuzzedDataProvider in(data, size);
  const std::string challenge = std::to_string(in.ConsumeIntegral<uint32_t>());
  static const char *const kKeys[] = {"hostname", "clients", "sv_maxclients", "gametype",
                                      "protocol", "humans",  "challenge"};
  Pairs sent{{"challenge", challenge}};
  std::string pairs;
  for (int n = in.ConsumeIntegralInRange(0, 40); n > 0; --n) {
    const std::string key = in.ConsumeBool() ? in.PickValueInArray(kKeys) : Text(in, 255, "\\\n");
    sent[key] =
        in.ConsumeBool() ? std::to_string(in.ConsumeIntegral<int>()) : Text(in, 400, "\\\n");
    pairs += "\\" + key + "\\" + sent[key];
  }
  std::vector<Player> players(in.ConsumeIntegralInRange<size_t>(0, kMaxPlayers + 20));
  for (Player &p : players)
    p = {Text(in, 300, "\"\n"), in.ConsumeIntegral<int>(), in.ConsumeIntegralInRange(0, INT_MAX)};
  const Answer server = GameServer(pairs, players);
  const std::string info_answer = server(InfoRequest(challenge), 1).at(0).bytes;
  const std::string status_answer = server(StatusRequest(challenge), 1).at(0).bytes;

  // Answers longer than the game's are cut, and read above.
  if (info_answer.size() > 8192 || status_answer.size() > 16384) return 0;
  Pairs got;
  ServerStatus listed;
  assert(ReadInfoResponse(info_answer, &got) && ReadStatusResponse(status_answer, &listed) &&
         got == listed.rules && got.size() == sent.size());
  for (const auto &[key, value] : sent) CheckCut(value, got[key]);
  assert(listed.players.size() == std::min(players.size(), kMaxPlayers));
  for (size_t i = 0; i < listed.players.size(); ++i) {
    CheckCut(players[i].name, listed.players[i].name);
    assert(listed.players[i].score == players[i].score &&
           listed.players[i].ping == players[i].ping);
  }
  CheckServer(got, &listed);
  return 0;
}
