// servers: the public games, through the server browser's entry point.
#include <memory>

#include "commands/registration.h"
#include "servers/display.h"
#include "servers/protocol.h"
#include "servers/servers_command.h"

namespace wolfet_host {
namespace {

/* A ping limit past the longest --timeout would keep every server. */
constexpr double kMaxPingMs = 60000;

/* The filters as typed, before they are read into the ServerFilter. */
struct TypedFilters {
  std::string map, mod, game_type, player, sort = "ping";
  double max_ping_ms = 0;
};

/* A text that names what the filter compares with; an empty one would
 * keep every server that says anything. */
CLI::Validator NotEmpty(const char *what) {
  return CLI::Validator(
      [what](std::string &text) {
        return text.empty() ? std::string("an empty text names no ") + what : std::string();
      },
      "NAME");
}

CLI::Validator Milliseconds() {
  const std::string range = "[0 - " + CLI::detail::to_string(kMaxPingMs) + "]";
  return CLI::Validator(
      [range](std::string &text) -> std::string {
        char *end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value))
          return "'" + text + "' is not a number of milliseconds; give one in " + range;
        if (value < 0 || value > kMaxPingMs)
          return "Value " + text + " not in range " + range + " milliseconds";
        return std::string();
      },
      "MS in " + range);
}

std::string GameTypeNames() {
  std::string names;
  for (int type = 0; const char *name = GameTypeName(type); ++type)
    names += (names.empty() ? "" : ", ") + std::string(name);
  return names;
}

/* What the summary names: the options as they were given, a value with
 * a space quoted. */
std::string Typed(const std::string &option, const std::string &value) {
  const bool quote = value.find(' ') != std::string::npos;
  return " " + option + " " + (quote ? "'" + value + "'" : value);
}

ServerFilter ReadFilters(const CLI::App &command, const TypedFilters &typed, ServerFilter flags) {
  ServerFilter filter = flags;
  filter.typed.clear();
  if (filter.not_full) filter.typed += " --not-full";
  if (filter.not_empty) filter.typed += " --not-empty";
  if (command.count("--map") > 0) {
    filter.map = typed.map;
    filter.typed += Typed("--map", typed.map);
  }
  if (command.count("--mod") > 0) {
    filter.mod = typed.mod;
    filter.typed += Typed("--mod", typed.mod);
  }
  if (command.count("--game-type") > 0) {
    filter.game_type = ParseGameType(typed.game_type);
    filter.typed += Typed("--game-type", typed.game_type);
  }
  if (filter.no_password) filter.typed += " --no-password";
  if (command.count("--max-ping") > 0) {
    filter.max_ping_ms = typed.max_ping_ms;
    filter.typed += Typed("--max-ping", CLI::detail::to_string(typed.max_ping_ms));
  }
  if (command.count("--player") > 0) {
    filter.player = typed.player;
    filter.typed += Typed("--player", typed.player);
  }
  if (!filter.typed.empty()) filter.typed.erase(0, 1);
  return filter;
}

}  // namespace

void AddServersCommand(CLI::App &app, Context &context) {
  auto options = std::make_shared<ServersOptions>();
  auto typed = std::make_shared<TypedFilters>();
  auto *servers = app.add_subcommand(
      "servers",
      "List the public servers: the master server's list (engine servers masteraddress), each "
      "server's name, mod, map, players, password flag and ping, and whether it is of this "
      "game; keeps the list for join --pick");
  servers
      ->add_option("--master", options->master,
                   "The master server, HOST[:PORT] (port 27950 if not given): an IPv4 address "
                   "or a host name; asked even when engine servers performquery is 0")
      ->check(CLI::Validator(
          [](std::string &text) {
            std::string why;
            return ParseMasterAddress(text, &why) ? std::string() : "'" + text + "' " + why;
          },
          "HOST[:PORT]"));
  servers->add_option("--timeout", options->timeout_s, "Seconds for the whole query")
      ->capture_default_str()
      ->check(Seconds(0.1, 60.0));
  servers->add_flag("--json", options->json, "Print the list as JSON");
  servers->add_flag("--players", options->players,
                    "Ask each server for its status too: its players under its row (with "
                    "--json, player_list and rules)");

  /* The filters narrow what is printed; the list kept for join --pick is
   * the whole one, so `#` means the same with or without them. */
  servers->add_flag("--not-full", options->filter.not_full, "Show only servers with a free slot");
  servers->add_flag(
      "--not-empty", options->filter.not_empty,
      "Show only servers with someone on (bots are no one, where they are told apart)");
  servers->add_option("--map", typed->map, "Show only servers whose map's name holds NAME")
      ->check(NotEmpty("map"));
  servers
      ->add_option("--mod", typed->mod, "Show only servers running mod NAME (etmain, legacy, ...)")
      ->check(NotEmpty("mod"));
  servers
      ->add_option("--game-type", typed->game_type,
                   "Show only servers of this game type: " + GameTypeNames() + ", or its number")
      ->check(CLI::Validator(
          [](std::string &text) {
            return ParseGameType(text) ? std::string()
                                       : "'" + text + "' is not a game type; give one of " +
                                             GameTypeNames() + ", or its number";
          },
          "TYPE"));
  servers->add_flag("--no-password", options->filter.no_password,
                    "Show only servers that say they need no password");
  servers->add_option("--max-ping", typed->max_ping_ms, "Show only servers with a ping up to MS")
      ->check(Milliseconds());
  servers
      ->add_option("--player", typed->player,
                   "Show only servers where a player whose name holds NAME is on (colour codes "
                   "and case aside); asks each server for its status")
      ->check(NotEmpty("player"));
  servers
      ->add_option("--sort", typed->sort,
                   "Order of the list: ping (fastest first), players (most first), name or map")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string &text) {
            return ParseServerSort(text)
                       ? std::string()
                       : "'" + text + "' is not an order; give ping, players, name or map";
          },
          "ping|players|name|map"));
  servers->callback([&context, options, typed, servers] {
    options->filter = ReadFilters(*servers, *typed, options->filter);
    options->sort = ParseServerSort(typed->sort).value_or(ServerSort::kPing);
    context.exit_code = RunServers(context.session(), *options);
  });
}

}  // namespace wolfet_host
