// info: one server's rules and players, asked without a master.
#include "servers/info.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "console.h"
#include "os.h"
#include "program.h"
#include "servers/display.h"

namespace wolfet_host {
namespace {

struct InfoOptions {
  std::string address; /* HOST[:PORT], port 27960 if not given */
  double timeout_s = 3;
  bool json = false;
};

/* The server's row and its players as `servers --players` shows them,
 * then its rules sorted as `key = value`; with `json`, one JSON object as
 * `servers --json --players` prints a server, without `index`, printed
 * even when the server did not answer ("null" when it could not be
 * asked). A server that does not answer, or whose host says its port is
 * closed, fails as a master that does not answer fails `servers`. */
void RunInfo(const InfoOptions &options) {
  AskedServer asked;
  try {
    asked = AskServer(options.address, options.timeout_s);
  } catch (const Error &) {
    if (options.json) std::cout << "null\n";
    throw;
  }
  const ServerInfo &server = asked.server;
  if (options.json) {
    nlohmann::json object = ToJson({server}, true)[0];
    object.erase("index");
    std::cout << Dump(object) << "\n";
  }
  if (!server.reachable)
    throw Error(Fault::kNoAnswer, "the server " + asked.named +
                                      " is unreachable: its host says nothing listens on that "
                                      "port; check the address and the port");
  if (!server.answered)
    throw Error(Fault::kNoAnswer, "the server " + asked.named + " sent no answer " +
                                      Asked(server.asked, asked.seconds) +
                                      "; check the address, or give a longer --timeout");
  if (!server.status)
    std::cerr << "note: the server answered with its info but sent no rules and players in "
              << SecondsText(asked.seconds) << "\n";
  if (options.json) return;
  PrintTable({server}, os::StdoutIsTerminal(), std::cout);
  if (!server.status) return;
  std::cout << "rules:\n";
  for (const auto &[key, value] : server.status->rules)
    std::cout << "  " << PlainText(key) << " = " << PlainText(value) << "\n";
}

}  // namespace

void AddInfoCommand(CLI::App &app, Context &context) {
  (void)context;
  auto options = std::make_shared<InfoOptions>();
  auto *info = app.add_subcommand(
      "info",
      "Ask one server, without a master: its name, mod, map, players and ping as servers "
      "shows them, its rules (key = value) and each player's name, score and ping");
  info->add_option("address", options->address,
                   "The server, HOST[:PORT] (port 27960 if not given): an IPv4 address or a "
                   "host name")
      ->required()
      ->check(CLI::Validator(
          [](std::string &text) {
            std::string why;
            return ParseServerAddress(text, &why) ? std::string() : "'" + text + "' " + why;
          },
          "HOST[:PORT]"));
  info->add_option("--timeout", options->timeout_s,
                   "Seconds for the whole query, the name's look-up included")
      ->capture_default_str()
      ->check(Seconds(0.1, 60.0));
  info->add_flag("--json", options->json, "Print the server as one JSON object");
  info->callback([options] { RunInfo(*options); });
}

}  // namespace wolfet_host
