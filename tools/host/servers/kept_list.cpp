#include "kept_list.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "display.h"
#include "exit_codes.h"
#include "os.h"
#include "servers_command.h"

namespace wolfet_host {

using nlohmann::json;

std::string KeptListPath(const std::string &settings_path) {
  std::filesystem::path path(settings_path);
  return path.replace_extension(".servers.json").string();
}

void KeepServerList(const std::string &path, const std::string &master, const json &servers) {
  const std::string text = Dump(json{{"master", master}, {"servers", servers}}) + '\n';
  if (os::SaveAtomically(path, text) != os::Saved::kYes)
    throw CommandError(kExitFailure, "cannot write the server list " + path);
}

std::vector<std::string> StoredServerAddresses(const std::string &settings_path) {
  const std::string path = KeptListPath(settings_path);
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
