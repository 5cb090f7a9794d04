#include "info_command.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <nlohmann/json.hpp>

#include "browser.h"
#include "console.h"
#include "display.h"
#include "exit_codes.h"
#include "os.h"

namespace wolfet_host {
namespace {

using Clock = std::chrono::steady_clock;

/* The rules as `key = value`, in the map's (sorted) order, plain in a
 * pipe as the table's names are. */
void PrintRules(const ServerStatus &status) {
  std::cout << "rules:\n";
  for (const auto &[key, value] : status.rules)
    std::cout << "  " << PlainText(key) << " = " << PlainText(value) << "\n";
}

int Ask(const InfoOptions &options, bool *printed_json) {
  std::string why;
  const std::optional<ServerAddress> address = ParseServerAddress(options.address, &why);
  if (!address)
    throw CommandError(kExitBadArgument, "the server \"" + options.address + "\" " + why);
  std::string named = address->host + ":" + std::to_string(address->port);
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(options.timeout_s));
  const uint32_t ip = ResolveBefore(address->host, deadline, SystemLookUp, "the server");
  /* 0.0.0.0 would reach this machine on some systems and nothing on
   * others; a master's list skips it too. */
  if (ip == 0) throw CommandError(kExitBadArgument, "the server " + named + " names no host");
  BrowseRequest request;
  request.status = true;
  /* The look-up took its share of --timeout; a few milliseconds are left
   * at least, for the request to go out. */
  constexpr double kLeast = 0.01;
  request.timeout_s = std::max(
      kLeast, options.timeout_s - std::chrono::duration<double>(Clock::now() - start).count());
  const BrowseResult result = QueryServers({{ip, address->port}}, request);
  if (result.servers.empty())
    throw CommandError(kExitFailure, "the server " + named + " was not asked");
  const ServerInfo &server = result.servers[0];
  if (FormatEndpoint(server.endpoint) != named)
    named += " (" + FormatEndpoint(server.endpoint) + ")";

  if (options.json) {
    nlohmann::json object = ToJson(result.servers, true)[0];
    object.erase("index");
    std::cout << Dump(object) << "\n";
    *printed_json = true;
  }
  if (!server.reachable)
    throw CommandError(kExitNoMaster, "the server " + named +
                                          " is unreachable: its host says nothing listens on "
                                          "that port; check the address and the port");
  if (!server.answered)
    throw CommandError(kExitNoMaster, "the server " + named + " sent no answer within " +
                                          SecondsText(options.timeout_s) +
                                          "; check the address, or give a longer --timeout");
  if (!server.status)
    std::cerr << "note: the server answered with its info but sent no rules and players within "
              << SecondsText(options.timeout_s) << "\n";
  if (options.json) return kExitOk;

  /* The row and the players under it as `servers --players` shows them. */
  PrintTable(result.servers, os::StdoutIsTerminal(), std::cout);
  if (server.status) PrintRules(*server.status);
  return kExitOk;
}

}  // namespace

int RunInfo(const InfoOptions &options) {
  bool printed_json = false;
  try {
    return Ask(options, &printed_json);
  } catch (const CommandError &) {
    /* A script reading --json gets JSON whatever happened. */
    if (options.json && !printed_json) std::cout << "null\n";
    throw;
  }
}

}  // namespace wolfet_host
