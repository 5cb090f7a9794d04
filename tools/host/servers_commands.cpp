// servers: the public games the master server lists, as the launcher
// shows them, and the list `join --pick` later picks from.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "browser.h"
#include "commands.h"
#include "exit_codes.h"
#include "os.h"
#include "schema_view.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

/* Beside the settings file: wolfet-host.json keeps wolfet-host.servers.json. */
std::string StoredListPath(const std::string &settings_path) {
  std::filesystem::path path(settings_path);
  return path.replace_extension(".servers.json").string();
}

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
      if (entry.key == master) return Cp1252ToUtf8(entry.text);
  return master;
}

const char *GameTypeName(int type) {
  static const char *const kNames[] = {"Single Player", "Co-op",    "Objective",
                                       "Stopwatch",     "Campaign", "Last Man Standing",
                                       "Map Voting"};
  return type >= 0 && static_cast<size_t>(type) < std::size(kNames) ? kNames[type] : nullptr;
}

/* A name for the terminal: ^0-^9 become colours (or go, in a pipe), control
 * characters become '?', the rest is read as Windows-1252. `width` counts
 * what shows. */
std::string ShowName(const std::string &name, bool colour, size_t limit, size_t *width) {
  static const char *const kColours[] = {"30", "31", "32", "33",       "34",
                                         "36", "35", "37", "38;5;208", "90"};
  std::string out, plain;
  bool coloured = false;
  *width = 0;
  for (size_t i = 0; i < name.size() && *width < limit; ++i) {
    const char c = name[i];
    if (c == '^' && i + 1 < name.size() && name[i + 1] >= '0' && name[i + 1] <= '9') {
      if (colour)
        out += std::string("\033[") + kColours[name[++i] - '0'] + "m";
      else
        ++i;
      coloured = coloured || colour;
      continue;
    }
    const unsigned char byte = static_cast<unsigned char>(c);
    out += Cp1252ToUtf8(std::string(1, byte < 0x20 || byte == 0x7F ? '?' : c));
    ++*width;
  }
  return coloured ? out + "\033[0m" : out;
}

void PrintTable(const std::vector<ServerInfo> &servers, bool colour, std::ostream &out) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::vector<size_t>> widths;
  rows.push_back({"#", "Name", "Map", "Players", "Type", "Ping", "Address"});
  for (size_t i = 0; i < servers.size(); ++i) {
    const ServerInfo &s = servers[i];
    auto number = [](const std::optional<int> &n) { return n ? std::to_string(*n) : "?"; };
    const char *type = s.game_type ? GameTypeName(*s.game_type) : nullptr;
    char ping[32];
    std::snprintf(ping, sizeof ping, "%.0f ms", s.ping_ms);
    if (s.answered)
      rows.push_back({std::to_string(i), s.name, s.map,
                      number(s.players) + "/" + number(s.max_players),
                      type          ? type
                      : s.game_type ? "type " + std::to_string(*s.game_type)
                                    : "?",
                      ping, FormatEndpoint(s.endpoint)});
    else
      rows.push_back(
          {std::to_string(i), "(not answering)", "", "", "", "-", FormatEndpoint(s.endpoint)});
  }
  std::vector<size_t> column(rows[0].size(), 0);
  for (auto &row : rows) {
    widths.emplace_back();
    for (size_t c = 0; c < row.size(); ++c) {
      size_t width = 0;
      row[c] = ShowName(row[c], colour && c == 1, c == 1 ? 32 : 24, &width);
      widths.back().push_back(width);
      column[c] = std::max(column[c], width);
    }
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    std::string line;
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const std::string pad(column[c] - widths[r][c], ' ');
      /* Numbers to the right, text to the left. */
      line += c == 0 || c == 5 ? pad + rows[r][c] : rows[r][c] + pad;
      line += c + 1 < rows[r].size() ? "  " : "";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
}

json ToJson(const std::vector<ServerInfo> &servers) {
  json list = json::array();
  auto number = [](const std::optional<int> &n) { return n ? json(*n) : json(nullptr); };
  for (size_t i = 0; i < servers.size(); ++i) {
    const ServerInfo &s = servers[i];
    list.push_back({{"index", i},
                    {"address", FormatEndpoint(s.endpoint)},
                    {"answered", s.answered},
                    {"name", s.name},
                    {"map", s.map},
                    {"players", number(s.players)},
                    {"max_players", number(s.max_players)},
                    {"game_type", number(s.game_type)},
                    {"ping_ms", s.answered ? json(s.ping_ms) : json(nullptr)}});
  }
  return list;
}

/* Server texts are bytes, not always UTF-8: what is not shows as U+FFFD. */
std::string Dump(const json &value) {
  return value.dump(2, ' ', false, json::error_handler_t::replace);
}

void Store(const std::string &path, const std::string &master, const json &list) {
  const std::string temporary = path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << Dump(json{{"master", master}, {"servers", list}}) << '\n';
  out.close();
  if (!out || !os::MoveReplacing(temporary, path)) {
    std::remove(temporary.c_str());
    throw CommandError(kExitFailure, "cannot write the server list " + path);
  }
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

  /* Fastest first; the silent ones after, in the master's order. */
  std::stable_sort(result.servers.begin(), result.servers.end(),
                   [](const ServerInfo &a, const ServerInfo &b) {
                     if (a.answered != b.answered) return a.answered;
                     return a.answered && a.ping_ms < b.ping_ms;
                   });
  const json list = ToJson(result.servers);
  Store(StoredListPath(session.file().path()), master_name, list);

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

std::vector<std::string> StoredServerAddresses(const std::string &settings_path) {
  const std::string path = StoredListPath(settings_path);
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw CommandError(kExitBadArgument, "no server given and no list kept at " + path +
                                             ": run 'wolfet-host servers' first, or name servers");
  std::stringstream text;
  text << in.rdbuf();
  const json stored = json::parse(text.str(), nullptr, false);
  /* Indexes count every entry, so one damaged entry spoils them all. */
  std::vector<std::string> addresses;
  const bool listed = stored.is_object() && stored.contains("servers") &&
                      stored["servers"].is_array() && !stored["servers"].empty();
  for (const json &server : listed ? stored["servers"] : json::array()) {
    if (!server.is_object() || !server.contains("address") || !server["address"].is_string()) break;
    addresses.push_back(server["address"].get<std::string>());
  }
  if (!listed || addresses.size() != stored["servers"].size())
    throw CommandError(
        kExitBadArgument,
        "the server list " + path + " is empty or damaged; run 'wolfet-host servers' again");
  return addresses;
}

}  // namespace wolfet_host
