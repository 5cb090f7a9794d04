// stand-in-servers: a master server on 127.0.0.1 and the game servers it
// lists, each on a port of its own, for the browse benchmark and for the
// command-line transcripts.
//
//   stand-in-servers COUNT [--internet]
//     COUNT game servers, in datagrams of 100 entries. Each entry is
//     followed by a separator, as the game's own client (and quakestat)
//     reads them: a datagram that is not the last ends with a '\', the
//     last with the end marker. --internet makes them a simulated
//     internet: each its own round trip from 20 to 300 ms, 2% of the
//     requests and 2% of the replies lost, 5% on closed ports and 5%
//     silent; the master answers after 100 ms and loses nothing, so the
//     runs differ in how the servers are asked. The same servers every run
//     (a fixed seed). Each answering server also answers getstatus with
//     its players and bots. Prints the master's port, then a line with the
//     ports of the servers that answer.
//
//   stand-in-servers [--server PAIRS [--player SCORE PING NAME]... | --silent | --closed]...
//     the servers given, listed in that order: one answering with the info
//     pairs ("\key\value...") and, for getstatus, the players after it,
//     one that never answers, a port that is closed. Prints the master's
//     port and each server's, in the order given, on one line.
//
// --master-silent and --master-unended make a master that never answers
// or whose list lacks its end marker; --log FILE appends a line "PORT
// REQUEST" for each request a socket gets.
//
// Serves until its standard input closes when that is a pipe (the
// benchmark's); a background job's input is /dev/null, so then until a
// signal or, on Linux, until the process that started it ends: a
// transcript's stand-ins go with its shell.
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifdef __linux__
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#endif

#include "stand_in_network.h"

using namespace wolfet_host;  // NOLINT: a program of the stand-ins' own names

namespace {

constexpr uint32_t kSeed = 20;
constexpr int kMinRoundTripMs = 20, kMaxRoundTripMs = 300;
constexpr double kLoss = 0.02;
constexpr double kClosedShare = 0.05, kSilentShare = 0.05;
constexpr std::chrono::milliseconds kMasterDelay{100};
constexpr size_t kEntriesPerDatagram = 100;

enum class Kind { kLive, kClosed, kSilent };

struct Peer {
  Kind kind = Kind::kLive;
  Answer answer = [](const std::string &, int) { return std::vector<Reply>{}; };  // a live one's
  Link link;
  std::string pairs;  // of one given on the command line
};

/* Server `i` as this game's servers are: up to 19 players, a third of
 * them bots (ping 0 in the status), `humans` sent by every other one (the
 * newer servers), a mod on most, a password on every tenth. */
Answer LiveServer(long i) {
  static const char *const kMods[] = {"", "legacy", "etpro", "jaymod", "nq"};
  const int clients = static_cast<int>(i % 20), bots = clients / 3;
  std::vector<Player> players;
  for (int p = 0; p < clients; ++p)
    players.push_back(
        {(p < bots ? "^5Bot " : "^7Player ") + std::to_string(p), p * 3, p < bots ? 0 : 20 + p});
  ServerKeys keys;
  keys.mod = kMods[i % 5];
  keys.needpass = i % 10 == 7;
  keys.humans = i % 2 == 0 ? clients - bots : -1;
  return GameServer("\\hostname\\^3Stand-in ^7" + std::to_string(i) +
                        "\\mapname\\oasis\\clients\\" + std::to_string(clients) +
                        "\\sv_maxclients\\20\\gametype\\2" + InfoPairs(keys),
                    players);
}

std::vector<Peer> Simulated(long count, bool internet) {
  std::mt19937 random(kSeed);
  std::vector<Kind> kinds(static_cast<size_t>(count), Kind::kLive);
  if (internet) {
    const auto closed = static_cast<size_t>(count * kClosedShare);
    const auto silent = static_cast<size_t>(count * kSilentShare);
    std::fill_n(kinds.begin(), closed, Kind::kClosed);
    std::fill_n(kinds.begin() + static_cast<long>(closed), silent, Kind::kSilent);
    std::shuffle(kinds.begin(), kinds.end(), random);
  }
  std::uniform_int_distribution<int> round_trip_ms(kMinRoundTripMs, kMaxRoundTripMs);
  std::vector<Peer> peers;
  for (long i = 0; i < count; ++i) {
    Peer &peer = peers.emplace_back();
    peer.kind = kinds[static_cast<size_t>(i)];
    if (peer.kind != Kind::kLive) continue;
    peer.answer = LiveServer(i);
    if (internet) {
      peer.link.delay = std::chrono::milliseconds(round_trip_ms(random));
      peer.link.request_loss = peer.link.reply_loss = kLoss;
    }
  }
  return peers;
}

// Each request `answer` gets, as a line "PORT REQUEST" in `log` (the
// out-of-band marker and any challenge left out, so the lines can be
// counted and compared).
Answer Logged(Answer answer, std::shared_ptr<std::ofstream> log, uint16_t *port) {
  return [answer = std::move(answer), log, port](const std::string &request, int asked) {
    const std::string text = request.substr(std::min<size_t>(4, request.size()));
    *log << *port << ' ' << text.substr(0, text.find_first_of(" \n")) << std::endl;
    return answer(request, asked);
  };
}

// The peers as given on the command line, in order: each --player joins
// the --server before it.
std::vector<Peer> Given(const CLI::App &app, const CLI::Option *server, const CLI::Option *player,
                        const CLI::Option *silent, const CLI::Option *closed,
                        const std::vector<std::string> &pairs,
                        const std::vector<std::tuple<int, int, std::string>> &players) {
  std::vector<Peer> peers;
  std::vector<std::vector<Player>> on;  // each peer's players
  size_t next_server = 0, next_player = 0, player_values = 0;
  for (const CLI::Option *given : app.parse_order()) {
    if (given == player) {  // once for each of its values
      if (player_values++ % static_cast<size_t>(player->get_type_size()) != 0) continue;
      if (peers.empty() || peers.back().kind != Kind::kLive)
        throw CLI::ValidationError("--player", "follows the --server it is on");
      const auto &[score, ping, name] = players[next_player++];
      on.back().push_back({name, score, ping});
      continue;
    }
    if (given != server && given != silent && given != closed) continue;
    Peer &peer = peers.emplace_back();
    on.emplace_back();
    peer.kind = given == server ? Kind::kLive : given == silent ? Kind::kSilent : Kind::kClosed;
    if (given == server) peer.pairs = pairs[next_server++];
  }
  for (size_t i = 0; i < peers.size(); ++i)
    if (peers[i].kind == Kind::kLive) peers[i].answer = GameServer(peers[i].pairs, on[i]);
  return peers;
}

struct Options {
  long count = 0;
  bool internet = false, master_silent = false, master_unended = false;
  std::string log_path;
};

/* Opens every peer's socket and the master's, whose list names them in
 * datagrams of kEntriesPerDatagram, starts answering and prints the ports,
 * which the logging answers read from `ports`. */
void Serve(StandInServers &net, const std::vector<Peer> &peers, const Options &o,
           std::vector<uint16_t> &ports) {
  std::shared_ptr<std::ofstream> log;
  if (!o.log_path.empty()) log = std::make_shared<std::ofstream>(o.log_path, std::ios::app);
  // A port is known once bound, after its answer is made: the log reads it from here.
  ports.assign(peers.size() + 1, 0);
  const auto answer = [&](Answer given, size_t index) {
    return log ? Logged(std::move(given), log, &ports[index]) : given;
  };
  std::vector<Reply> list;
  std::string live, all;
  for (size_t i = 0; i < peers.size(); ++i) {
    const Peer &peer = peers[i];
    ports[i] =
        peer.kind == Kind::kClosed ? net.AddClosed() : net.Add(answer(peer.answer, i), peer.link);
    if (peer.kind == Kind::kLive) live += (live.empty() ? "" : " ") + std::to_string(ports[i]);
    all += " " + std::to_string(ports[i]);
    if (i % kEntriesPerDatagram == 0) {
      if (!list.empty()) list.back().bytes += "\\";
      list.emplace_back(kMasterHead);
    }
    list.back().bytes += MasterEntry(kLoopback, ports[i]);
  }
  if (list.empty()) list.emplace_back(kMasterHead);
  if (!o.master_unended) list.back().bytes += kMasterEnd;
  if (o.master_silent) list.clear();
  Link master_link;
  if (o.internet) master_link.delay = kMasterDelay;
  const uint16_t master = ports.back() =
      net.Add(answer([list](const std::string &, int) { return list; }, peers.size()), master_link);
  net.Start();
  if (o.count > 0)
    std::cout << master << "\n" << live << std::endl;
  else
    std::cout << master << all << std::endl;
}

}  // namespace

int main(int argc, char **argv) {
#ifdef __linux__
  const pid_t parent = getppid();
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) return 0;  // it had gone already
#endif
  CLI::App app{"A stand-in master server on 127.0.0.1 and the game servers it lists."};
  Options o;
  std::vector<std::string> pairs;
  std::vector<std::tuple<int, int, std::string>> players;
  CLI::Option *count_option = app.add_option("COUNT", o.count, "Game servers of this game, made up")
                                  ->check(CLI::Range(1, 10000));
  app.add_flag("--internet", o.internet, "Round trips, losses, closed ports and silent servers")
      ->needs(count_option);
  CLI::Option *server = app.add_option("--server", pairs, "A game server's info pairs");
  CLI::Option *player =
      app.add_option("--player", players, "A player (score, ping, name) on the --server before it");
  CLI::Option *silent = app.add_flag("--silent", "A game server that never answers");
  CLI::Option *closed = app.add_flag("--closed", "A game server whose port is closed");
  for (CLI::Option *given : {server, player, silent, closed}) count_option->excludes(given);
  app.add_flag("--master-silent", o.master_silent, "The master never answers");
  app.add_flag("--master-unended", o.master_unended, "The master's list lacks its end marker");
  app.add_option("--log", o.log_path, "Append each request a socket gets to this file");
  std::vector<Peer> peers;
  try {
    app.parse(argc, argv);
    peers = o.count > 0 ? Simulated(o.count, o.internet)
                        : Given(app, server, player, silent, closed, pairs, players);
  } catch (const CLI::ParseError &e) {
    return app.exit(e);
  }

  StandInServers net(kSeed);
  std::vector<uint16_t> ports;  // as long as the sockets that log with them
  Serve(net, peers, o, ports);
  struct stat input {};
  if (fstat(0, &input) == 0 && S_ISFIFO(input.st_mode)) {
    for (std::string ignored; std::getline(std::cin, ignored);) continue;
    return 0;
  }
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
