#include "listing.h"

#include <chrono>
#include <optional>

#include "console.h"
#include "error.h"
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

ServerListing ListServers(Session &session, const ListingRequest &request) {
  ServerListing listing;
  MasterChoice choice{request.master, "--master", "give another with --master HOST[:PORT]"};
  if (request.master.empty()) {
    const auto from_settings = MasterFromSettings(session);
    if (!from_settings) {
      listing.off = true;
      return listing;
    }
    choice = *from_settings;
  }
  BrowseRequest browse = ParseMaster(choice, request.timeout_s);
  browse.status = request.status;
  browse.progress = request.progress;
  listing.master = browse.master_host + ":" + std::to_string(browse.master_port);
  if (request.asking) request.asking(listing.master);
  const auto start = std::chrono::steady_clock::now();
  try {
    listing.result = Browse(browse);
  } catch (const Error &e) {
    throw Error(e.fault(), std::string(e.what()) + " (from " + choice.source + "); " + choice.fix);
  }
  listing.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!listing.result.master_answered)
    throw Error(Fault::kNoAnswer, "the master server " + listing.master +
                                      " sent no server list within " +
                                      SecondsText(request.timeout_s) + " (from " + choice.source +
                                      "); " + choice.fix + ", or a longer --timeout");
  return listing;
}

}  // namespace wolfet_host
