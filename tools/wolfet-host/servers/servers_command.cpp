#include "servers_command.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "browser.h"
#include "console.h"
#include "display.h"
#include "exit_codes.h"
#include "kept_list.h"
#include "os.h"
#include "schema_view.h"
#include "session.h"

namespace wolfet_host {
namespace {

/* A master's text and where it came from, for errors to name. */
struct MasterChoice {
  std::string text;
  std::string source; /* "--master" or the setting */
  std::string fix;    /* how to give another */
};

constexpr char kSettingFix[] =
    "set another with 'wolfet-host set engine servers masteraddress HOST[:PORT]', or give "
    "--master HOST[:PORT]";

/* The engine page's master server, or nothing when public servers are off.
 * The value may be the key of one of the setting's list entries (as
 * "main" is), which stands for that entry's text. */
std::optional<MasterChoice> MasterFromSettings(Session &session) {
  session.SupplySettings();
  const hostkit::Settings &store = session.host().settings();
  const hostkit::SettingValue *query =
      store.Find(hostkit::Page::kEngine, "servers", "performquery");
  if (query == nullptr || query->integer == 0) return std::nullopt;
  const hostkit::SettingValue *value =
      store.Find(hostkit::Page::kEngine, "servers", "masteraddress");
  MasterChoice choice{value != nullptr ? hostkit::Settings::ToUtf8(value->text) : "",
                      "engine servers masteraddress", kSettingFix};
  choice.source += session.file().Value("engine", "servers", "masteraddress")
                       ? " (in " + session.file().path() + ")"
                       : " (its default)";
  if (const hostkit::SchemaSetting *setting =
          session.schema().Find("engine", "servers", "masteraddress"))
    for (const hostkit::SchemaListEntry &entry : setting->list)
      if (entry.key == choice.text) {
        choice.source += ", list entry '" + entry.key + "'";
        choice.text = Cp1252ToUtf8(entry.text);
      }
  return choice;
}

BrowseRequest ParseMaster(const MasterChoice &choice, double timeout_s) {
  std::string why;
  const std::optional<MasterAddress> address = ParseMasterAddress(choice.text, &why);
  if (!address)
    throw CommandError(kExitBadArgument, "the master server \"" + choice.text + "\" of " +
                                             choice.source + " " + why + "; " + choice.fix);
  BrowseRequest request;
  request.master_host = address->host;
  request.master_port = address->port;
  request.timeout_s = timeout_s;
  return request;
}

/* Asks the master and its servers; prints what was found and keeps it. */
int Query(Session &session, const ServersOptions &options, bool *printed_json) {
  MasterChoice choice{options.master, "--master", "give another with --master HOST[:PORT]"};
  if (options.master.empty()) {
    const auto from_settings = MasterFromSettings(session);
    if (!from_settings) {
      if (options.json) std::cout << "[]\n";
      *printed_json = options.json;
      (options.json ? std::cerr : std::cout)
          << "public servers are off (engine servers performquery is 0): no query made; turn "
             "them on with 'wolfet-host set engine servers performquery 1' or name a master "
             "with --master HOST[:PORT]\n";
      return kExitOk;
    }
    choice = *from_settings;
  }
  BrowseRequest request = ParseMaster(choice, options.timeout_s);
  request.status = options.players || options.filter.player;
  const std::string master_name = request.master_host + ":" + std::to_string(request.master_port);
  std::cerr << "asking the master server " << master_name << " (timeout " << options.timeout_s
            << " s)\n";
  const auto start = std::chrono::steady_clock::now();
  BrowseResult result;
  /* A terminal sees the browse advance; a pipe or a file gets no redrawn
   * lines. Cleared before the table. */
  StatusLine progress(std::cerr, os::StderrIsTerminal());
  request.progress = [&progress](const BrowseProgress &p) {
    progress.Show(std::to_string(p.answered) + " of " + std::to_string(p.listed) + " answered, " +
                  SecondsText(p.elapsed_s));
  };
  try {
    result = Browse(request);
    progress.Clear();
  } catch (const CommandError &e) {
    progress.Clear();
    throw CommandError(e.code(),
                       std::string(e.what()) + " (from " + choice.source + "); " + choice.fix);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!result.master_answered)
    throw CommandError(kExitNoMaster,
                       "the master server " + master_name + " sent no server list within " +
                           SecondsText(options.timeout_s) + " (from " + choice.source + "); " +
                           choice.fix + ", or a longer --timeout");

  SortServers(options.sort, &result.servers);
  const nlohmann::json list = ToJson(result.servers);
  const std::vector<size_t> shown = Filter(result.servers, options.filter);
  for (const std::string &note : LimitNotes(result)) std::cerr << "note: " << note << "\n";
  if (options.json) {
    nlohmann::json printed = nlohmann::json::array();
    const nlohmann::json with_status = request.status ? ToJson(result.servers, true) : list;
    for (const size_t i : shown) printed.push_back(with_status[i]);
    std::cout << Dump(printed) << "\n";
    *printed_json = true;
  } else {
    if (!shown.empty()) PrintTable(result.servers, shown, os::StdoutIsTerminal(), std::cout);
    std::cout << SummaryLine(result, master_name, seconds, options.filter, shown) << "\n";
  }
  /* What was found is shown whether or not it can be kept. */
  try {
    KeepServerList(KeptListPath(session.file().path()), master_name, list);
  } catch (const CommandError &e) {
    throw CommandError(kExitFailure,
                       std::string(e.what()) +
                           ": the list above is not kept, so 'join --pick' cannot pick from it; "
                           "keep it with --settings FILE in a folder you can write");
  }
  return kExitOk;
}

}  // namespace

std::string SummaryLine(const BrowseResult &result, const std::string &master, double seconds,
                        const ServerFilter &filter, const std::vector<size_t> &shown) {
  const auto count = [&result](auto which) {
    return static_cast<size_t>(std::count_if(result.servers.begin(), result.servers.end(), which));
  };
  const size_t answered = count([](const ServerInfo &s) { return s.answered; });
  const size_t refused = count([](const ServerInfo &s) { return !s.answered && !s.reachable; });
  std::string line;
  if (filter.On())
    line = std::to_string(shown.size()) + " of " + std::to_string(result.servers.size()) +
           " servers shown (filters: " + filter.typed + "); ";
  line += std::to_string(result.servers.size()) + " servers listed by " + master + ", " +
          std::to_string(answered) + " answering, " +
          std::to_string(result.servers.size() - answered - refused) + " silent, " +
          std::to_string(refused) + " unreachable (" + SecondsText(seconds, 2) + ")";
  if (result.listed_past_cap > 0)
    line += "; " + std::to_string(result.listed_past_cap) + " more past the cap of " +
            std::to_string(result.max_servers) + " dropped";
  /* The legend and the hint only for what the table shows. */
  if (std::any_of(shown.begin(), shown.end(), [&result](size_t i) {
        const ServerInfo &s = result.servers[i];
        return s.needpass.value_or(false) && IsThisGame(s);
      }))
    line += "; pw: needs a password, which the launch cannot carry";
  if (!shown.empty()) line += "; join one with: wolfet-host join --pick N";
  return line;
}

std::vector<std::string> LimitNotes(const BrowseResult &result) {
  std::vector<std::string> notes;
  if (!result.list_complete)
    notes.push_back(
        "the master's list did not end before the deadline; there may be more servers than "
        "these");
  if (result.listed_past_cap > 0)
    notes.push_back("the master listed " + std::to_string(result.listed_past_cap) +
                    " more servers past the cap of " + std::to_string(result.max_servers) +
                    "; they are dropped: neither asked nor listed");
  if (result.answers_dropped > 0)
    notes.push_back(std::to_string(result.answers_dropped) +
                    " answers came from no listed server or to no request of ours; they are "
                    "dropped");
  return notes;
}

int RunServers(Session &session, const ServersOptions &options) {
  bool printed_json = false;
  try {
    return Query(session, options, &printed_json);
  } catch (const CommandError &) {
    /* A script reading --json gets JSON whatever happened: no list is an
     * empty one, and the exit code and standard error say why. */
    if (options.json && !printed_json) std::cout << "[]\n";
    throw;
  }
}

}  // namespace wolfet_host
