#include "ui/api.h"

#include <atomic>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "commands/display.h"
#include "engine_check.h"
#include "exit_codes.h"
#include "schema_view.h"
#include "servers/display.h"
#include "servers/favourites.h"
#include "servers/info.h"
#include "servers/kept_list.h"
#include "servers/listing.h"
#include "servers/server_filter.h"
#include "text.h"
#include "validate.h"

namespace wolfet_host {
namespace ui {
namespace {

using nlohmann::json;

Response Reply(const json &body, int status = 200) {
  return {status, "application/json", Dump(body)};
}

/* A failure as the command line gives it, and whether --force would pass
 * it (a password, a script in the game's home folder), for the page to
 * offer. */
json Failure(const Error &e) {
  const std::string message = e.what();
  return {{"error", message},
          {"exit_code", ExitCode(e.fault())},
          {"forceable", message.find("--force") != std::string::npos}};
}

Response Refused(Fault fault, const std::string &why, int status) {
  return Reply(Failure(Error(fault, why)), status);
}

json SettingJson(Session &session, const std::string &page, const std::string &group,
                 const hostkit::SchemaSetting &setting) {
  json list = json::array();
  for (const hostkit::SchemaListEntry &entry : setting.list)
    list.push_back({{"key", entry.key}, {"text", Cp1252ToUtf8(entry.text)}});
  json caption = json::array();
  for (const std::string &line : CaptionLines(setting.caption()))
    caption.push_back(Cp1252ToUtf8(line));
  const ShownValue shown = CurrentValue(session, page, group, setting);
  json out = {{"name", setting.name}, {"type", setting.type()}, {"caption", caption},
              {"list", list},         {"value", shown.text},    {"source", shown.source}};
  if (auto d = setting.default_value()) out["default"] = Cp1252ToUtf8(*d);
  if (auto max = setting.Attribute("maxlength")) out["maxlength"] = *max;
  return out;
}

/* The engine and multiplayer pages as the launcher builds them. */
json SchemaJson(Session &session) {
  const hostkit::Schema &schema = session.schema();
  json pages = json::array();
  for (const char *name : {"engine", "multiplayer"}) {
    const hostkit::SchemaPage *page = schema.FindPage(name);
    if (page == nullptr) continue;
    json groups = json::array();
    for (const hostkit::SchemaGroup &group : page->groups) {
      json settings = json::array();
      for (const hostkit::SchemaSetting &setting : group.settings)
        settings.push_back(SettingJson(session, name, group.name, setting));
      groups.push_back({{"name", group.name}, {"settings", settings}});
    }
    pages.push_back({{"name", name}, {"groups", groups}});
  }
  return {{"plugin", session.host().display_name()},
          {"settings_file", session.file().path()},
          {"pages", pages}};
}

json CheckJson(const EngineReport &report) {
  json message = nullptr;
  if (report.check.message)
    message = {{"caption", hostkit::Windows1252ToUtf8(report.check.message->caption)},
               {"text", hostkit::Windows1252ToUtf8(report.check.message->text)}};
  return {{"folder", report.folder},          {"verdict", *report.check.verdict},
          {"usable", report.problem.empty()}, {"content_flags", FlagsText(report.content_flags)},
          {"result", report.check.result},    {"message", message},
          {"problem", report.problem}};
}

json VerifyJson(const VerifyReport &report) {
  json files = json::array();
  for (const VerifiedFile &f : report.files)
    files.push_back({{"name", f.name},
                     {"path", f.path},
                     {"present", f.present},
                     {"where", f.in_etmain ? "etmain" : "the engine folder"},
                     {"size", f.entry.size},
                     {"sha256", f.entry.sha256}});
  return {{"content_flags", FlagsText(report.content_flags)},
          {"note", report.note},
          {"files", files},
          {"recorded", report.recorded},
          {"no_manifest", report.no_manifest},
          {"differences", report.differences},
          {"failed", report.failed()}};
}

/* The filters as the command line takes them, for the page to offer,
 * and the game types' names, which the JSON gives by number. */
json FiltersJson() {
  json filters = json::array();
  for (const FilterKind &kind : FilterKinds())
    filters.push_back({{"option", kind.option},
                       {"value_name", kind.value_name ? json(kind.value_name) : json()},
                       {"help", kind.help},
                       {"needs_status", kind.needs_status}});
  json types = json::array();
  for (int type = 0; const char *name = GameTypeName(type); ++type) types.push_back(name);
  return {{"filters", filters}, {"game_types", types}};
}

json BookmarksJson(const Bookmarks &b) {
  json recent = json::array();
  for (const RecentServer &r : b.recent)
    recent.push_back({{"address", r.address}, {"name", r.name}, {"joined", r.joined}});
  return {{"favourites", b.favourites}, {"recent", recent}};
}

}  // namespace

/* What a game's launch and wait have come to, for the page. */
class PageWatcher : public LaunchWatcher {
 public:
  explicit PageWatcher(std::mutex &lock, json &state, std::atomic<const char *> &stop)
      : lock_(lock), state_(state), stop_(stop) {}
  void Note(const std::string &text) override {
    Set([&] { state_["notes"].push_back(text); });
  }
  void Starting(const std::string &what) override {
    Set([&] { state_["what"] = what; });
  }
  void Started(const std::string &path, const std::string &script) override {
    Set([&] {
      state_["state"] = "running";
      state_["script_path"] = path;
      state_["script"] = script;
    });
  }
  const char *Running(double seconds) override {
    Set([&] { state_["seconds"] = seconds; });
    return stop_.load();
  }

 private:
  template <typename Change>
  void Set(Change change) {
    const std::lock_guard<std::mutex> hold(lock_);
    change();
  }
  std::mutex &lock_;
  json &state_;
  std::atomic<const char *> &stop_;
};

struct Api::Impl {
  explicit Impl(Context &c) : context(c) {}
  Context &context;
  std::mutex lock; /* guards the states below, which the job threads write */
  json listing = {{"running", false}};
  std::vector<ServerInfo> rows; /* what `listing` shows, for the filters */
  json game = {{"state", "idle"}};
  std::thread listing_thread, game_thread;
  std::atomic<bool> listing_running{false}, game_running{false};
  std::atomic<const char *> stop{nullptr};

  Session &session() { return context.session(); }

  Response Schema() {
    /* The command line may have changed the file since. */
    if (!game_running) session().ReloadFile();
    return Reply(SchemaJson(session()));
  }

  Response Set(const json &body) {
    const std::string page = body.value("page", ""), group = body.value("group", ""),
                      name = body.value("setting", ""), value = body.value("value", "");
    const hostkit::SchemaSetting &setting = FindSetting(session().schema(), page, group, name);
    std::vector<std::string> hints;
    const std::string stored =
        ValidateValue(page + " " + group + " " + name, setting, value, &hints);
    session().ReloadFile();
    session().file().SetValue(page, group, name, stored);
    session().file().Save();
    return Reply({{"setting", SettingJson(session(), page, group, setting)}, {"hints", hints}});
  }

  void StartListing(const json &body) {
    ListingRequest request;
    request.master = body.value("master", "");
    request.status = body.value("players", false);
    request.progress_rows = true;
    request.progress = [this](const BrowseProgress &p) {
      json shown = ToJson(p.servers, true);
      const std::lock_guard<std::mutex> hold(lock);
      listing["progress"] = {
          {"answered", p.answered}, {"listed", p.listed}, {"elapsed_s", p.elapsed_s}};
      listing["servers"] = std::move(shown);
      rows = p.servers;
    };
    /* A master that does not read is refused before the last listing is
     * given up for one that never runs. */
    const ListingPlan plan = PlanListing(session(), request);
    {
      const std::lock_guard<std::mutex> hold(lock);
      listing = {{"running", true}, {"servers", json::array()}};
      rows.clear();
    }
    const HostFiles files = session().file().files();
    listing_running = true;
    if (listing_thread.joinable()) listing_thread.join();
    listing_thread = std::thread([this, plan, files] { RunListingJob(plan, files); });
  }

  /* On its own thread: it touches no session, only the network and the
   * files' own layer. */
  void RunListingJob(const ListingPlan &plan, const HostFiles &files) {
    json done;
    try {
      ServerListing found = RunListing(plan);
      SortServers(ServerSort::kPing, &found.result.servers);
      done = {{"servers", ToJson(found.result.servers, true)},
              {"master", found.master},
              {"off", found.off},
              {"error", found.master_error.empty() ? json() : json(found.master_error)}};
      {
        const std::lock_guard<std::mutex> hold(lock);
        rows = found.result.servers;
      }
      KeepServerList(files, found.master.empty() ? "your favourites" : found.master,
                     ToJson(found.result.servers));
    } catch (const Error &e) {
      done.update(Failure(e));
    }
    done["running"] = false;
    const std::lock_guard<std::mutex> hold(lock);
    listing.update(done);
    listing_running = false;
  }

  /* The addresses of the servers the listing shows that pass the filters
   * given as [{option, value}], read as the command line reads them. */
  Response FilterServers(const json &body) {
    ServerFilter filter;
    for (const json &chosen : body.value("filters", json::array())) {
      const std::string option = chosen.value("option", ""),
                        why = filter.Add(option, chosen.value("value", ""));
      if (why.empty()) continue;
      json failure = Failure(Error(Fault::kBadInput, option + ": " + why));
      failure["option"] = option; /* for the page to show it by that filter */
      return Reply(failure, 400);
    }
    std::vector<ServerInfo> servers;
    {
      const std::lock_guard<std::mutex> hold(lock);
      servers = rows;
    }
    json shown = json::array();
    for (const size_t i : Filter(servers, filter))
      shown.push_back(FormatEndpoint(servers[i].endpoint));
    return Reply({{"shown", shown}, {"typed", filter.Typed()}});
  }

  /* One server's row, players and rules, as `info --json` prints them. */
  Response Info(const json &body) {
    const AskedServer asked = AskServer(body.value("address", ""), 3);
    json server = ToJson({asked.server}, true)[0];
    server.erase("index");
    return Reply(server);
  }

  /* A join by the kept list's index or by address, or a hosted game. */
  LaunchRequest ToRequest(const json &body) {
    LaunchRequest request;
    request.hosting = body.value("hosting", true);
    request.player = body.value("player", std::string("Player"));
    request.force = body.value("force", false);
    if (request.hosting) return request;
    if (body.contains("address")) {
      request.servers = {body.value("address", "")};
      return request;
    }
    const KeptList kept = ReadKeptList(session().file().files());
    request.pick = body.value("pick", 0);
    CheckKeptPick(kept, request.pick, request.force);
    request.servers = kept.addresses;
    request.servers_from = "the list kept in " + kept.path;
    if (request.pick >= 0 && static_cast<size_t>(request.pick) < kept.servers.size())
      request.server_name = kept.servers[request.pick].value("name", std::string());
    return request;
  }

  void StartGame(const LaunchRequest &request) {
    {
      const std::lock_guard<std::mutex> hold(lock);
      game = {{"state", "starting"}, {"notes", json::array()}, {"seconds", 0}};
    }
    stop = nullptr;
    game_running = true;
    if (game_thread.joinable()) game_thread.join();
    game_thread = std::thread([this, request] { RunGame(request); });
  }

  void RunGame(const LaunchRequest &request) {
    PageWatcher watcher(lock, game, stop);
    json done;
    try {
      const LaunchOutcome outcome = Launch(session(), request, watcher);
      done = {{"state", "ended"},
              {"seconds", outcome.seconds},
              {"polls", outcome.polls},
              {"colour_before", ColourText(outcome.colour_before)},
              {"colour_after", ColourText(outcome.colour_after)}};
    } catch (const Error &e) {
      done = Failure(e);
      done["state"] = "failed";
    }
    const std::lock_guard<std::mutex> hold(lock);
    game.update(done);
    game_running = false;
  }

  json State(const json &of) {
    const std::lock_guard<std::mutex> hold(lock);
    return of;
  }

  Response Route(const Request &r) {
    const json body = r.method == "POST" ? json::parse(r.body, nullptr, false) : json::object();
    if (body.is_discarded() || !body.is_object())
      return Refused(Fault::kBadInput, "the request is no JSON object", 400);
    const bool busy = game_running;
    if (r.method == "GET" && r.path == "/api/schema") return Schema();
    if (r.method == "GET" && r.path == "/api/servers") return Reply(State(listing));
    if (r.method == "GET" && r.path == "/api/game") return Reply(State(game));
    if (r.method == "GET" && r.path == "/api/filters") return Reply(FiltersJson());
    if (r.method == "GET" && r.path == "/api/favourites")
      return Reply(BookmarksJson(ReadBookmarks(session().file().files())));
    if (r.method != "POST") return Refused(Fault::kBadInput, "nothing at " + r.path, 404);
    if (r.path == "/api/favourites") {
      SetFavourite(session().file().files(), body.value("address", ""),
                   body.value("starred", true));
      return Reply(BookmarksJson(ReadBookmarks(session().file().files())));
    }
    if (r.path == "/api/servers") {
      if (listing_running) return Refused(Fault::kWait, "the servers are being asked already", 409);
      StartListing(body);
      return Reply(State(listing), 202);
    }
    if (r.path == "/api/servers/filter") return FilterServers(body);
    if (r.path == "/api/info") return Info(body);
    if (r.path == "/api/game/stop") {
      stop = "the page's stop";
      return Reply(State(game));
    }
    /* The plug-in serves one call at a time, and a game holds it. */
    if (busy)
      return Refused(Fault::kWait, "a game is running: wait for it to end, or stop waiting", 409);
    if (r.path == "/api/settings") return Set(body);
    if (r.path == "/api/check") return Reply(CheckJson(CheckEngine(session())));
    if (r.path == "/api/verify")
      return Reply(VerifyJson(VerifyEngineFiles(session(), body.value("record", false))));
    if (r.path == "/api/game") {
      StartGame(ToRequest(body));
      return Reply(State(game), 202);
    }
    return Refused(Fault::kBadInput, "nothing at " + r.path, 404);
  }
};

Api::Api(Context &context) : impl_(std::make_unique<Impl>(context)) {}

Api::~Api() {
  Stop("the end of the graphical host");
  if (impl_->game_thread.joinable()) impl_->game_thread.join();
  if (impl_->listing_thread.joinable()) impl_->listing_thread.join();
}

void Api::Stop(const char *by) { impl_->stop = by; }

Response Api::Handle(const Request &request) {
  try {
    return impl_->Route(request);
  } catch (const Error &e) {
    return Reply(Failure(e), 400);
  } catch (const nlohmann::json::exception &e) {
    /* A request of the wrong shape, as a wrong argument on the command line. */
    return Refused(Fault::kBadInput, std::string("the request does not read: ") + e.what(), 400);
  } catch (const std::exception &e) {
    return Reply({{"error", e.what()}, {"exit_code", ExitCode(Fault::kFile)}}, 500);
  }
}

}  // namespace ui
}  // namespace wolfet_host
