// servers: the public games as the launcher lists them, and the list
// `join --pick` later picks from.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "console.h"
#include "os.h"
#include "program.h"
#include "servers/display.h"
#include "servers/kept_list.h"
#include "servers/listing.h"

namespace wolfet_host {
namespace {

/* The table or the JSON of what was found, narrowed by the filters. */
void Show(const ServerListing &listing, const ServersOptions &options, const nlohmann::json &list,
          bool with_status, bool kept) {
  const std::vector<ServerInfo> &servers = listing.result.servers;
  const std::vector<size_t> shown = Filter(servers, options.filter);
  for (const std::string &note : LimitNotes(listing.result)) std::cerr << "note: " << note << "\n";
  if (options.json) {
    nlohmann::json printed = nlohmann::json::array();
    const nlohmann::json full = with_status ? ToJson(servers, true) : list;
    for (const size_t i : shown) printed.push_back(full[i]);
    std::cout << Dump(printed) << "\n";
    return;
  }
  if (!shown.empty()) PrintTable(servers, shown, os::StdoutIsTerminal(), std::cout);
  std::cout << SummaryLine(listing.result, listing.master, listing.seconds, options.filter, shown,
                           kept)
            << "\n";
}

ServerListing Find(Session &session, const ServersOptions &options) {
  ListingRequest request;
  request.master = options.master;
  request.timeout_s = options.timeout_s;
  request.status = options.players || options.filter.NeedsStatus();
  request.asking = [&options](const std::string &master) {
    std::cerr << "asking the master server " << master << " (timeout " << options.timeout_s
              << " s)\n";
  };
  /* A terminal sees the browse advance; a pipe or a file gets no redrawn
   * lines. Cleared before the table. */
  StatusLine progress(std::cerr, os::StderrIsTerminal());
  request.progress = [&progress](const BrowseProgress &p) {
    progress.Show(std::to_string(p.answered) + " of " + std::to_string(p.listed) + " answered, " +
                  SecondsText(p.elapsed_s));
  };
  return ListServers(session, request);
}

}  // namespace

/* With --json, standard output holds one JSON array whatever happens:
 * no list is an empty one, and the exit code and standard error say why.
 * A list that cannot be kept is still shown, then fails the command. */
void RunServers(Session &session, const ServersOptions &options) {
  ServerListing listing;
  try {
    listing = Find(session, options);
  } catch (const Error &) {
    if (options.json) std::cout << "[]\n";
    throw;
  }
  if (listing.off) {
    if (options.json && listing.result.servers.empty()) std::cout << "[]\n";
    (options.json ? std::cerr : std::cout)
        << "public servers are off (engine servers performquery is 0): no master asked"
        << (listing.result.servers.empty() ? "" : ", only your favourites")
        << "; turn them on with 'wolfet-host set engine servers performquery 1' or name a "
           "master with --master HOST[:PORT]\n";
    if (listing.result.servers.empty()) return;
    listing.master = "your favourites";
  }
  if (!listing.master_error.empty()) listing.master = "your favourites";
  SortServers(options.sort, &listing.result.servers);
  const nlohmann::json list = ToJson(listing.result.servers);
  /* Kept first, so that the table offers a pick only from a list kept;
   * what was found is shown either way. */
  std::optional<Error> not_kept;
  try {
    KeepServerList(session.file().files(), listing.master, list);
  } catch (const Error &e) {
    not_kept = e;
  }
  Show(listing, options, list, options.players || options.filter.NeedsStatus(), !not_kept);
  if (not_kept)
    throw Error(Fault::kFile, std::string(not_kept->what()) +
                                  ": the list above is not kept, so 'join --pick' cannot pick "
                                  "from it; keep it with --settings FILE in a folder you can "
                                  "write");
  if (!listing.master_error.empty())
    throw Error(Fault::kNoAnswer, listing.master_error + "; your favourites are shown above");
}

void AddServersCommand(CLI::App &app, Context &context) {
  auto options = std::make_shared<ServersOptions>();
  auto typed = std::make_shared<std::map<std::string, std::string>>();
  auto sort = std::make_shared<std::string>("ping");
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
  for (const FilterKind &kind : FilterKinds()) {
    std::string &value = (*typed)[kind.option];
    if (kind.read == nullptr) {
      servers->add_flag(kind.option, kind.help);
      continue;
    }
    servers->add_option(kind.option, value, kind.help)
        ->check(CLI::Validator(
            [&kind](std::string &text) {
              FilterValue ignored;
              return kind.read(text, &ignored);
            },
            kind.value_name));
  }
  servers
      ->add_option("--sort", *sort,
                   "Order of the list: ping (fastest first), players (most first), name or map")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string &text) {
            return ParseServerSort(text)
                       ? std::string()
                       : "'" + text + "' is not an order; give ping, players, name or map";
          },
          "ping|players|name|map"));
  servers->callback([&context, options, typed, sort, servers] {
    for (const FilterKind &kind : FilterKinds())
      if (servers->count(kind.option) > 0) options->filter.Add(kind.option, (*typed)[kind.option]);
    options->sort = ParseServerSort(*sort).value_or(ServerSort::kPing);
    RunServers(context.session(), *options);
  });
}

}  // namespace wolfet_host
