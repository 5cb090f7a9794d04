// demo: the whole flow in a throwaway engine folder, narrated, with the
// stand-in game as et.exe. It reads and writes nothing of the user's: its
// settings file and the desktop colour file live in the sandbox too.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "os.h"
#include "program.h"
#include "servers/kept_list.h"
#include "stand_in_network.h"

namespace wolfet_host {
namespace {

namespace fs = std::filesystem;

struct DemoOptions {
  std::string game;   /* the stand-in game to copy in as et.exe */
  int game_ms = 2000; /* how long the stand-in game runs */
  bool keep = false;  /* leave the sandbox folder for a look afterwards */
  bool ui = false;    /* serve the graphical host on the sandbox instead of the steps */
  UiOptions ui_options;
};

class Sandbox {
 public:
  explicit Sandbox(bool keep) : keep_(keep) {
    root_ = os::MakeTemporaryFolder("wolfet-demo-");
    if (root_.empty()) throw Error(Fault::kFile, "cannot make a temporary folder for the demo");
  }
  ~Sandbox() {
    std::error_code error;
    if (keep_)
      std::cout << "the sandbox stays for a look: " << root_ << "\n";
    else
      fs::remove_all(root_, error);
  }
  const std::string &root() const { return root_; }
  std::string engine() const { return root_ + "/engine" + os::PathSeparator(); }
  std::string colours() const { return root_ + "/syscolors"; }
  std::string report() const { return root_ + "/game-report.txt"; }

 private:
  bool keep_;
  std::string root_;
};

void Step(int number, const std::string &title) {
  std::cout << "\n== " << number << ". " << title << " ==\n";
}

void Typed(const std::string &command) { std::cout << "$ wolfet-host " << command << "\n"; }

void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw Error(Fault::kFile, "cannot write " + path);
}

/* The engine folder with the stand-in game as et.exe, and the
 * environment that keeps the desktop colours and the game's report in the
 * sandbox. */
void MakeEngine(const Sandbox &sandbox, const DemoOptions &demo) {
  std::error_code error;
  const std::string engine = sandbox.engine();
  fs::create_directories(engine + "etmain", error);
  fs::copy_file(demo.game, engine + "et.exe", fs::copy_options::overwrite_existing, error);
  if (error) throw Error(Fault::kFile, "cannot copy " + demo.game + " into " + engine);
  fs::permissions(engine + "et.exe", fs::perms::owner_all, fs::perm_options::add, error);
  WriteFile(engine + "pak0.pk3", "PK\x05\x06 the demo's stand-in for the game data\n");
  /* The stand-in game paints the highlight red while it runs, as a game
   * may; the plug-in must put it back when the game ends. Its report goes
   * to a file so it cannot garble the status line. */
  if (!os::SetEnvironment("SDLL_SYSCOLOR_FILE", sandbox.colours()) ||
      !os::SetEnvironment("FAKE_ET_RUN_MS", std::to_string(demo.game_ms)) ||
      !os::SetEnvironment("FAKE_ET_SET_COLOUR", "0x000000FF") ||
      !os::SetEnvironment("FAKE_ET_RECORD", sandbox.report()))
    throw Error(Fault::kFile, "cannot set the demo's environment");
  std::cout << "engine folder " << engine << " with et.exe (the stand-in game " << demo.game
            << "), etmain" << os::PathSeparator() << " and pak0.pk3\n"
            << "desktop colours in " << sandbox.colours() << " (SDLL_SYSCOLOR_FILE)\n"
            << "the stand-in game runs " << demo.game_ms
            << " ms (FAKE_ET_RUN_MS) and paints the highlight colour red meanwhile\n";
}

/* Prints the stand-in game's report of the launch that just ended and
 * checks what the demo claims about it; returns the report. */
std::string ShowGame(const Sandbox &sandbox, const DemoOptions &demo,
                     const LaunchOutcome &outcome) {
  std::ifstream in(sandbox.report());
  if (!in)
    throw Error(Fault::kDemo,
                "the stand-in game left no report in " + sandbox.root() + ": it did not run");
  std::cout << "what the stand-in game did (FAKE_ET_RECORD):\n";
  std::string report, line;
  while (std::getline(in, line)) {
    std::cout << "  " << line << "\n";
    report += line + "\n";
  }
  /* A report from an earlier game must not pass for this one's. */
  in.close();
  std::error_code ignored;
  fs::remove(sandbox.report(), ignored);
  if (outcome.polls < 2 || outcome.seconds < demo.game_ms / 2000.0)
    throw Error(Fault::kDemo, "the plug-in reported the game ended after " +
                                  std::to_string(outcome.polls) +
                                  " poll(s), before the stand-in game's " +
                                  std::to_string(demo.game_ms) + " ms were up");
  if (outcome.colour_after != outcome.colour_before)
    throw Error(Fault::kDemo, "the highlight colour in " + sandbox.colours() +
                                  " was not put back after the game");
  return report;
}

void SetUpAndCheck(Session &session, const std::string &engine) {
  Step(1, "the settings pages the plug-in describes");
  Typed("schema");
  RunSchema(session);

  Step(2, "setting the values the plug-in reads");
  const std::pair<std::string, std::vector<std::string>> values[] = {
      {"engine general enginepath " + engine, {"engine", "general", "enginepath", engine}},
      {"multiplayer general type 0", {"multiplayer", "general", "type", "0"}},
      {"multiplayer general map 'oasis - Siwa Oasis'",
       {"multiplayer", "general", "map", "oasis - Siwa Oasis"}},
      {"multiplayer general allowdownload 1", {"multiplayer", "general", "allowdownload", "1"}},
  };
  for (const auto &[typed, v] : values) {
    Typed("set " + typed);
    RunSet(session, v[0], v[1], v[2], v[3]);
  }

  Step(3, "the plug-in checks the engine folder");
  Typed("check");
  RunCheck(session);

  Step(4, "verifying the files the plug-in names");
  Typed("verify --record");
  RunVerify(session, true);
  Typed("verify");
  RunVerify(session, false);
}

/* The public master is out of reach of a demo; a stand-in on 127.0.0.1
 * answers the same protocol, with one listed server that never does and
 * one whose port is closed. Returns the master's address. */
std::string StartServers(StandInServers &network) {
  std::string list = kMasterHead;
  const std::pair<const char *, std::vector<Player>> servers[] = {
      {"\\hostname\\^1Allied ^7Front\\mapname\\oasis\\clients\\3\\sv_maxclients\\24"
       "\\gametype\\2\\game\\legacy",
       {{"^3Medic^7Mia", 42, 48}, {"^1Eng^7Olaf", 17, 61}, {"^5[BOT]^7Sarge", 9, 0}}},
      {"\\hostname\\^4Axis ^3Depot\\mapname\\fueldump\\clients\\1\\sv_maxclients\\16"
       "\\gametype\\3\\humans\\1",
       {{"^2Lone^7Wolf", 5, 33}}},
      {"\\hostname\\^2Quiet ^7Camp\\mapname\\radar\\clients\\0\\sv_maxclients\\20"
       "\\gametype\\5",
       {}}};
  for (const auto &[pairs, players] : servers)
    list += MasterEntry(kLoopback, network.Add(GameServer(pairs, players)));
  list += MasterEntry(kLoopback,
                      network.Add([](const std::string &, int) { return std::vector<Reply>{}; }));
  list += MasterEntry(kLoopback, network.AddClosed());
  list += kMasterEnd;
  const uint16_t master =
      network.Add([list](const std::string &, int) { return std::vector<Reply>{list}; });
  network.Start();
  return "127.0.0.1:" + std::to_string(master);
}

/* The graphical host on the sandbox: the engine folder set and the
 * stand-in master named, for a person to click through. */
void ServeDemo(const Sandbox &sandbox, const GlobalOptions &sandboxed, const DemoOptions &demo) {
  Context context;
  context.global = sandboxed;
  context.stand_in_game = demo.game;
  Session &session = context.session();
  RunSet(session, "engine", "general", "enginepath", sandbox.engine());
  RunSet(session, "multiplayer", "general", "map", "oasis - Siwa Oasis");
  StandInServers network;
  RunSet(session, "engine", "servers", "masteraddress", StartServers(network));
  RunUi(context, demo.ui_options);
}

void RunDemo(const GlobalOptions &options, const DemoOptions &demo) {
  std::error_code error;
  if (demo.game.empty() || !fs::is_regular_file(demo.game, error))
    throw Error(Fault::kFile, "the stand-in game \"" + demo.game +
                                  "\" is not there; build the fake-et target or name it with "
                                  "--game PATH");
  const Sandbox sandbox(demo.keep);
  Step(0, "a sandbox engine folder");
  MakeEngine(sandbox, demo);
  GlobalOptions sandboxed = options;
  sandboxed.settings_path = sandbox.root() + "/wolfet-host.json";
  std::cout << "settings file " << sandboxed.settings_path << ", plug-in " << options.plugin_path
            << "\n";
  if (demo.ui) return ServeDemo(sandbox, sandboxed, demo);
  Session session(sandboxed);
  SetUpAndCheck(session, sandbox.engine());

  Step(5, "hosting a game and polling until it ends");
  Typed("host --player DemoPlayer");
  LaunchRequest request;
  request.player = "DemoPlayer";
  request.timeout_s = 30 + demo.game_ms / 1000.0;
  ShowGame(sandbox, demo, RunLaunch(session, request));

  Step(6, "public servers from a stand-in master, and joining the fastest");
  StandInServers network;
  const std::string master = StartServers(network);
  Typed("set engine servers masteraddress " + master);
  RunSet(session, "engine", "servers", "masteraddress", master);
  Typed("servers --timeout 1 --players");
  ServersOptions browse;
  browse.timeout_s = 1;
  browse.players = true;
  RunServers(session, browse);
  Typed("join --pick 0 --player DemoPlayer");
  request.hosting = false;
  const KeptList kept = ReadKeptList(session.file().files());
  request.servers = kept.addresses;
  request.servers_from = "the list kept in " + kept.path;
  const std::string picked = request.servers.at(0);
  if (ShowGame(sandbox, demo, RunLaunch(session, request)).find("connect to: " + picked) ==
      std::string::npos)
    throw Error(Fault::kDemo, "the stand-in game was not told to connect to " + picked);

  std::cout << "\ndemo finished: the plug-in checked the engine folder, named its files, "
               "hosted a game, joined a listed public server, saw both games end and put "
               "the highlight colour back each time\n";
}

}  // namespace

void AddDemoCommand(CLI::App &app, Context &context) {
  auto demo = std::make_shared<DemoOptions>();
  demo->game = context.stand_in_game;
  auto *command = app.add_subcommand(
      "demo",
      "Run the whole flow in a temporary engine folder with the stand-in game: schema, "
      "set, check, verify, host and the poll to the end, then servers from stand-ins and a "
      "join");
  command->add_option("--game", demo->game, "The stand-in game to use as et.exe")
      ->capture_default_str();
  command->add_option("--game-ms", demo->game_ms, "How long the stand-in game runs")
      ->capture_default_str()
      ->transform(Decimal())
      ->check(CLI::Range(0, 600000));
  command->add_flag("--keep", demo->keep, "Keep the temporary folder afterwards");
  command->add_flag("--ui", demo->ui,
                    "Serve the graphical host on the sandbox (engine folder, stand-in servers) "
                    "until Ctrl-C, instead of the steps");
  command->add_flag("--no-open", demo->ui_options.no_open, "With --ui: open no browser");
  command->callback([&context, demo] { RunDemo(context.global, *demo); });
}

}  // namespace wolfet_host
