// wolfet-host: drives the Wolf ET plug-in from a terminal the way the
// launcher does: shows its settings pages, keeps their values, has it
// check the engine folder and name the files to verify, launches a game
// and polls until it ends.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "exit_codes.h"
#include "os.h"
#include "servers/servers_command.h"

namespace wolfet_host {

const char kExitCodeHelp[] =
    "Exit codes: 0 success; 1 a file could not be read or written, or the game did not end in "
    "time; 2 bad argument, setting name or value, or an unreadable settings file; 3 the plug-in "
    "cannot be loaded, lacks an export or fails a call; 4 the engine folder is not set or not "
    "usable; 5 verification found a missing or changed file; 6 the master server could not be "
    "found or sent no server list in time.";

namespace {

/* A copied-out host (a zip, another machine) finds the plug-in and the
 * stand-in game beside itself; the paths of the build tree it came from
 * are only the fall-back. */
std::string BesideOrBuilt(const std::string &file, const std::string &built) {
  const std::string folder = os::ExecutableFolder();
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_regular_file(folder + file, error))
    return folder + file;
  return built;
}

int Main(int argc, char **argv) {
  CLI::App app{
      "Drives the Wolf ET engine plug-in as the game launcher does: settings pages, engine "
      "check, verification, launch and the poll for the game's end."};
  app.footer(kExitCodeHelp);
  app.require_subcommand(1);

  GlobalOptions global;
  global.plugin_path = BesideOrBuilt(WOLFET_PLUGIN_FILE, WOLFET_DEFAULT_PLUGIN);
  global.settings_path = "wolfet-host.json";
  app.add_option("--plugin", global.plugin_path, "The plug-in library to load")
      ->capture_default_str();
  app.add_option("--settings", global.settings_path, "The host's settings file (JSON)")
      ->capture_default_str();

  auto *schema = app.add_subcommand(
      "schema", "Show the plug-in's settings pages: groups, settings, types, defaults, lists");

  std::string page, group, setting, value;
  auto *set = app.add_subcommand(
      "set",
      "Set a value, checked against its type (e.g. set engine general enginepath /games/et/)");
  set->add_option("page", page, "engine or multiplayer")->required();
  set->add_option("group", group, "The group on that page")->required();
  set->add_option("setting", setting, "The setting in that group")->required();
  set->add_option("value", value, "The new value")->required();

  auto *get = app.add_subcommand("get", "Show one value (set, or else its default)");
  get->add_option("page", page, "engine or multiplayer")->required();
  get->add_option("group", group, "The group on that page")->required();
  get->add_option("setting", setting, "The setting in that group")->required();

  auto *settings = app.add_subcommand("settings", "Show every value, by page and group");

  auto *check = app.add_subcommand(
      "check",
      "Have the plug-in judge the engine folder (SDLL_EngineConfig); keeps the content "
      "flags for verify and launch");

  bool record = false;
  auto *verify = app.add_subcommand(
      "verify",
      "Have the plug-in name its files (SDLL_Verification), then check that they exist "
      "and compare their size and SHA-256 with the recorded manifest");
  verify->add_flag("--record", record, "Record the files as they are now as the manifest");

  LaunchRequest launch;
  auto add_launch_options = [&launch](CLI::App *sub) {
    sub->add_option("--player", launch.player, "The player name")->capture_default_str();
    sub->add_option("--interval", launch.interval_ms, "Milliseconds between polls")
        ->capture_default_str()
        ->check(CLI::Range(1, 10000));
    sub->add_option("--timeout", launch.timeout_s,
                    "Seconds to wait for the game to end (0: no limit)")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 1e7));
  };
  auto *host = app.add_subcommand(
      "host",
      "Host a game (SDLL_LaunchMultiplayer with the multiplayer settings), show the "
      "launch script and poll until the game ends");
  add_launch_options(host);
  auto *join = app.add_subcommand(
      "join",
      "Join one of the servers given (SDLL_LaunchMultiplayer), show the launch script "
      "and poll until the game ends");
  add_launch_options(join);
  join->add_option("servers", launch.servers,
                   "Server addresses, at most 255 bytes each; none: the list 'servers' kept");
  join->add_option("--pick", launch.pick,
                   "Index of the server to join, from 0 (the # column of 'servers')")
      ->capture_default_str();

  ServersOptions servers_options;
  auto *servers = app.add_subcommand(
      "servers",
      "List the public servers: the master server's list (engine servers masteraddress), each "
      "server's name, map, players and ping; keeps the list for join --pick");
  servers->add_option("--master", servers_options.master,
                      "The master server, HOST[:PORT] (port 27950 if not given); asked even when "
                      "engine servers performquery is 0");
  servers->add_option("--timeout", servers_options.timeout_s, "Seconds for the whole query")
      ->capture_default_str()
      ->check(CLI::Range(0.1, 60.0));
  servers->add_flag("--json", servers_options.json, "Print the list as JSON");

  DemoOptions demo;
  demo.game = BesideOrBuilt(os::ProgramFile("fake-et"), WOLFET_FAKE_ET);
  auto *demo_cmd = app.add_subcommand(
      "demo",
      "Run the whole flow in a temporary engine folder with the stand-in game: schema, "
      "set, check, verify, host and the poll to the end");
  demo_cmd->add_option("--game", demo.game, "The stand-in game to use as et.exe")
      ->capture_default_str();
  demo_cmd->add_option("--game-ms", demo.game_ms, "How long the stand-in game runs")
      ->capture_default_str()
      ->check(CLI::Range(0, 600000));
  demo_cmd->add_flag("--keep", demo.keep, "Keep the temporary folder afterwards");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitBadArgument;
  }

  try {
    if (demo_cmd->parsed()) return RunDemo(global, demo);
    Session session(global);
    if (schema->parsed()) return RunSchema(session);
    if (set->parsed()) return RunSet(session, page, group, setting, value);
    if (get->parsed()) return RunGet(session, page, group, setting);
    if (settings->parsed()) return RunSettings(session);
    if (check->parsed()) return RunCheck(session);
    if (verify->parsed()) return RunVerify(session, record);
    if (servers->parsed()) return RunServers(session, servers_options);
    launch.hosting = host->parsed();
    return RunLaunch(session, launch);
  } catch (const CommandError &e) {
    std::cout << std::flush;
    std::cerr << "wolfet-host: " << e.what() << "\n";
    return e.code();
  } catch (const std::exception &e) {
    std::cout << std::flush;
    std::cerr << "wolfet-host: " << e.what() << "\n";
    return kExitFailure;
  }
}

}  // namespace
}  // namespace wolfet_host

int main(int argc, char **argv) { return wolfet_host::Main(argc, argv); }
