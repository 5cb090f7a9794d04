#include "kept_list.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "display.h"
#include "error.h"
#include "os.h"
#include "settings_file.h"

namespace wolfet_host {

using nlohmann::json;

namespace {

bool IsServerList(const json &stored) {
  return stored.is_object() && stored.contains("servers") && stored["servers"].is_array();
}

}  // namespace

std::string KeptListPath(const std::string &settings_path) {
  std::filesystem::path path(settings_path);
  return path.replace_extension(".servers.json").string();
}

void KeepServerList(const std::string &path, const std::string &master, const json &servers) {
  /* The name may be the user's own file (of a settings file named
   * x.json): only a list this host kept is replaced. */
  json old;
  const JsonReading read = ReadJsonFile(path, &old);
  if (read.state == JsonReading::kUnreadable ||
      (read.state != JsonReading::kMissing && !IsServerList(old)))
    throw Error(
        Fault::kFile,
        "cannot keep the server list: " + path + " is left as it is, since " +
            (read.state == JsonReading::kUnreadable  ? "it cannot be read (" + read.why + ")"
             : read.state == JsonReading::kMalformed ? "it is no JSON (" + read.why + ")"
                                                     : std::string("it is no server list")) +
            "; move it away, or name another settings file with --settings");
  const std::string text = Dump(json{{"master", master}, {"servers", servers}}) + '\n';
  std::string why;
  if (os::SaveAtomically(path, text, &why) != os::Saved::kYes)
    throw Error(Fault::kFile, "cannot write the server list " + path + " (" + why + ")");
}

std::vector<std::string> StoredServerAddresses(const std::string &settings_path) {
  const std::string path = KeptListPath(settings_path);
  json stored;
  const JsonReading read = ReadJsonFile(path, &stored);
  if (read.state == JsonReading::kMissing)
    throw Error(Fault::kBadInput, "no server given and no list kept at " + path +
                                      ": run 'wolfet-host servers' first, or name servers");
  if (read.state == JsonReading::kUnreadable)
    throw Error(Fault::kFile, "cannot read the server list " + path + " (" + read.why +
                                  "); make it readable, or name servers");
  /* Indexes count every entry, so one damaged entry spoils them all. */
  std::vector<std::string> addresses;
  const bool listed = IsServerList(stored) && !stored["servers"].empty();
  if (listed)
    for (const json &server : stored["servers"]) {
      if (!server.is_object() || !server.contains("address") || !server["address"].is_string())
        break;
      addresses.push_back(server["address"].get<std::string>());
    }
  if (!listed || addresses.size() != stored["servers"].size())
    throw Error(Fault::kBadInput, "the server list " + path + " is empty or damaged" +
                                      (read.why.empty() ? "" : " (" + read.why + ")") +
                                      "; run 'wolfet-host servers' again" +
                                      (IsServerList(stored) ? "" : " once it is moved away"));
  return addresses;
}

void CheckKeptPick(const std::string &settings_path, int pick, bool force) {
  const std::vector<std::string> addresses = StoredServerAddresses(settings_path);
  if (pick < 0 || static_cast<size_t>(pick) >= addresses.size()) return;
  json stored;
  ReadJsonFile(KeptListPath(settings_path), &stored);
  const json &server = stored["servers"][static_cast<size_t>(pick)];
  const std::string named = "server " + std::to_string(pick) + " (" + addresses[pick] + ")";
  const auto flag = [&server](const char *key) {
    return server.contains(key) && server[key].is_boolean() && server[key].get<bool>();
  };
  const auto text = [&server](const char *key) -> std::optional<std::string> {
    if (!server.contains(key) || !server[key].is_string()) return std::nullopt;
    return server[key].get<std::string>();
  };
  std::optional<int> protocol;
  if (server.contains("protocol") && server["protocol"].is_number_integer())
    protocol = server["protocol"].get<int>();
  if (server.contains("joinable") && server["joinable"] == false) {
    const std::string other = OtherGame(protocol, text("game"));
    throw Error(Fault::kBadInput, named + " is of " +
                                      (other.empty() ? std::string("another game") : "an" + other) +
                                      ", which et.exe cannot join; pick a server of this game");
  }
  if (flag("needpass") && !force)
    throw Error(Fault::kBadInput,
                named +
                    " needs a password, and the launch cannot carry one, so the game "
                    "would be turned away; give --force to join it all the same");
}

}  // namespace wolfet_host
