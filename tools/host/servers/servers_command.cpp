#include "servers_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "browser.h"
#include "display.h"
#include "exit_codes.h"
#include "kept_list.h"
#include "os.h"
#include "session.h"

namespace wolfet_host {
namespace {

BrowseRequest ParseMaster(const std::string &text, double timeout_s) {
  BrowseRequest request;
  request.timeout_s = timeout_s;
  request.master_host = text;
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    request.master_host = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    const bool digits =
        !port.empty() && port.size() <= 5 &&
        std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long value = digits ? std::stol(port) : 0;
    if (value < 1 || value > 65535)
      throw CommandError(kExitBadArgument, "master server \"" + text +
                                               "\": the port must be a number from 1 to 65535");
    request.master_port = static_cast<uint16_t>(value);
  }
  if (request.master_host.empty())
    throw CommandError(kExitBadArgument, "master server \"" + text + "\" names no host");
  return request;
}

/* The engine page's master server, or nothing when public servers are off.
 * The value may be the key of one of the setting's list entries (as
 * "main" is), which stands for that entry's text. */
std::optional<std::string> MasterFromSettings(Session &session) {
  session.SupplySettings();
  const hostkit::Settings &store = session.host().settings();
  const hostkit::SettingValue *query =
      store.Find(hostkit::Page::kEngine, "servers", "performquery");
  if (query == nullptr || query->integer == 0) return std::nullopt;
  const hostkit::SettingValue *value =
      store.Find(hostkit::Page::kEngine, "servers", "masteraddress");
  std::string master = value != nullptr ? hostkit::Settings::ToUtf8(value->text) : "";
  if (const hostkit::SchemaSetting *setting =
          session.schema().Find("engine", "servers", "masteraddress"))
    for (const hostkit::SchemaListEntry &entry : setting->list)
      if (entry.key == master) return GameTextToUtf8(entry.text);
  return master;
}

}  // namespace

int RunServers(Session &session, const ServersOptions &options) {
  std::string master = options.master;
  if (master.empty()) {
    const auto from_settings = MasterFromSettings(session);
    if (!from_settings) {
      std::cout << "public servers are off (engine servers performquery is 0): no query made; "
                   "turn them on with 'wolfet-host set engine servers performquery 1' or name a "
                   "master with --master HOST[:PORT]\n";
      return kExitOk;
    }
    master = *from_settings;
  }
  const BrowseRequest request = ParseMaster(master, options.timeout_s);
  const std::string master_name = request.master_host + ":" + std::to_string(request.master_port);
  std::cerr << "asking the master server " << master_name << " (timeout " << options.timeout_s
            << " s)\n";
  const auto start = std::chrono::steady_clock::now();
  BrowseResult result = Browse(request);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char time[32];
  std::snprintf(time, sizeof time, "%.1f s", options.timeout_s);
  if (!result.master_answered)
    throw CommandError(kExitNoMaster,
                       "the master server " + master_name + " sent no server list within " + time);
  if (!result.list_complete)
    std::cerr << "note: the master's list did not end before the deadline; there may be more "
                 "servers than these\n";

  SortFastestFirst(&result.servers);
  const nlohmann::json list = ToJson(result.servers);
  KeepServerList(KeptListPath(session.file().path()), master_name, list);

  if (options.json) {
    std::cout << Dump(list) << "\n";
    return kExitOk;
  }
  PrintTable(result.servers, os::StdoutIsTerminal(), std::cout);
  const size_t answered =
      static_cast<size_t>(std::count_if(result.servers.begin(), result.servers.end(),
                                        [](const ServerInfo &s) { return s.answered; }));
  std::snprintf(time, sizeof time, "%.2f s", seconds);
  std::cout << result.servers.size() << " servers listed by " << master_name << ", " << answered
            << " answering, " << result.servers.size() - answered << " silent (" << time
            << "); join one with: wolfet-host join --pick N\n";
  return kExitOk;
}

}  // namespace wolfet_host
