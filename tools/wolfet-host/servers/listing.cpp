#include "listing.h"

#include <chrono>
#include <optional>

#include "console.h"
#include "error.h"
#include "favourites.h"
#include "schema_view.h"
#include "session.h"

namespace wolfet_host {
namespace {

constexpr char kSettingFix[] =
    "set another with 'wolfet-host set engine servers masteraddress HOST[:PORT]', or give "
    "--master HOST[:PORT]";

/* The engine page's master server, or nothing when public servers are off.
 * The value may be the key of one of the setting's list entries (as
 * "main" is), which stands for that entry's text. */
std::optional<MasterChoice> MasterFromSettings(Session &session) {
  if (session.Value("engine", "servers", "performquery").value_or("0") == "0") return std::nullopt;
  MasterChoice choice{session.Value("engine", "servers", "masteraddress").value_or(""),
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
    throw Error(Fault::kBadInput, "the master server \"" + choice.text + "\" of " + choice.source +
                                      " " + why + "; " + choice.fix);
  BrowseRequest request;
  request.master_host = address->host;
  request.master_port = address->port;
  request.timeout_s = timeout_s;
  return request;
}

}  // namespace

namespace {

/* The favourites as addresses to ask; a name that cannot be found in
 * time is left out, as a silent server would be. */
std::vector<ServerEndpoint> Resolve(const std::vector<std::string> &favourites, double timeout_s) {
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(timeout_s / 4));
  std::vector<ServerEndpoint> found;
  for (const std::string &text : favourites) {
    std::string why;
    const std::optional<ServerAddress> address = ParseServerAddress(text, &why);
    try {
      if (address) found.push_back({ResolveBefore(address->host, end), address->port});
    } catch (const Error &) {
    }
  }
  return found;
}

}  // namespace

ListingPlan PlanListing(Session &session, const ListingRequest &request) {
  ListingPlan plan;
  plan.request = request;
  plan.favourites = ReadBookmarks(session.file().files()).favourites;
  if (request.master.empty()) {
    const std::optional<MasterChoice> from_settings = MasterFromSettings(session);
    plan.off = !from_settings;
    if (from_settings) plan.master = *from_settings;
  } else {
    plan.master = {request.master, "--master", "give another with --master HOST[:PORT]"};
  }
  /* Read now, so that a master that does not read fails before anything
   * is asked. */
  if (!plan.off) ParseMaster(plan.master, request.timeout_s);
  return plan;
}

ServerListing RunListing(const ListingPlan &plan) {
  const ListingRequest &request = plan.request;
  ServerListing listing;
  listing.off = plan.off;
  const auto start = std::chrono::steady_clock::now();
  /* Every way out says how long the asking took, favourites alone too. */
  const auto took = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  BrowseRequest browse;
  if (!plan.off) browse = ParseMaster(plan.master, request.timeout_s);
  browse.timeout_s = request.timeout_s;
  browse.status = request.status;
  browse.progress = request.progress;
  browse.progress_rows = request.progress_rows;
  browse.also = Resolve(plan.favourites, request.timeout_s);
  if (plan.off) {
    if (!browse.also.empty()) listing.result = QueryServers({}, browse);
    listing.seconds = took();
    return listing;
  }
  listing.master = browse.master_host + ":" + std::to_string(browse.master_port);
  if (request.asking) request.asking(listing.master);
  const std::string from = " (from " + plan.master.source + "); " + plan.master.fix;
  try {
    listing.result = Browse(browse);
  } catch (const Error &e) {
    if (browse.also.empty()) throw Error(e.fault(), e.what() + from);
    listing.master_error = e.what() + from;
    listing.result = QueryServers({}, browse);
  }
  listing.seconds = took();
  if (!listing.result.master_answered && listing.master_error.empty()) {
    const std::string why = "the master server " + listing.master + " sent no server list within " +
                            SecondsText(request.timeout_s) + from + ", or a longer --timeout";
    if (browse.also.empty()) throw Error(Fault::kNoAnswer, why);
    listing.master_error = why;
  }
  return listing;
}

ServerListing ListServers(Session &session, const ListingRequest &request) {
  return RunListing(PlanListing(session, request));
}

}  // namespace wolfet_host
