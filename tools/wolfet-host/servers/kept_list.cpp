#include "kept_list.h"

#include <filesystem>
#include <optional>

#include "display.h"
#include "error.h"
#include "settings_file.h"

namespace wolfet_host {

using nlohmann::json;

namespace {

bool IsServerList(const json &stored) {
  return stored.is_object() && stored.contains("servers") && stored["servers"].is_array();
}

/* What keeps the kept list at `path` from being replaced; empty when it
 * may be (it is ours, or there is none). */
std::string NotOurs(const std::string &path, bool *there) {
  const std::optional<std::string> text =
      ReadHostFile(path, kMaxKeptListBytes, "server list", Fault::kFile, Fault::kFile,
                   "move it away, or name another settings file with --settings");
  *there = text.has_value();
  if (!text) return "";
  json old;
  const std::string why = ParseHostJson(*text, &old);
  if (!why.empty()) return "it is no JSON (" + why + ")";
  return IsServerList(old) ? "" : "it is no server list";
}

/* The list could not be written: the older one must not stand for it. */
std::string RemoveOlder(const std::string &path, bool there) {
  if (!there) return "";
  std::error_code error;
  if (std::filesystem::remove(path, error))
    return "; the older list is removed, so that 'join --pick' picks from none but this one";
  return "; the older list there could not be removed either (" + error.message() +
         "): remove it, or 'join --pick' picks from it and not from the list shown";
}

}  // namespace

void KeepServerList(const HostFiles &files, const std::string &master, const json &servers) {
  const HostFilesLock lock(files);
  bool there = false;
  const std::string not_ours = NotOurs(files.servers, &there);
  if (!not_ours.empty())
    throw Error(Fault::kFile, "cannot keep the server list: " + files.servers +
                                  " is left as it is, since " + not_ours +
                                  "; move it away, or name another settings file with --settings");
  const std::string why = TryWriteHostFile(
      files, files.servers, Dump(json{{"master", master}, {"servers", servers}}) + '\n');
  if (!why.empty())
    throw Error(Fault::kFile, "cannot write the server list " + files.servers + " (" + why + ")" +
                                  RemoveOlder(files.servers, there));
}

KeptList ReadKeptList(const HostFiles &files) {
  KeptList kept;
  kept.path = files.servers;
  const std::string again = "run 'wolfet-host servers' again";
  const std::optional<std::string> text =
      ReadHostFile(kept.path, kMaxKeptListBytes, "server list", Fault::kBadInput, Fault::kFile,
                   again + ", or name servers");
  if (!text)
    throw Error(Fault::kBadInput, "no server given and no list kept at " + kept.path +
                                      ": run 'wolfet-host servers' first, or name servers");
  json stored;
  const std::string why = ParseHostJson(*text, &stored);
  /* Indexes count every entry, so one damaged entry spoils them all. */
  const bool listed = why.empty() && IsServerList(stored) && !stored["servers"].empty();
  if (listed)
    for (const json &server : stored["servers"]) {
      if (!server.is_object() || !server.contains("address") || !server["address"].is_string())
        break;
      kept.addresses.push_back(server["address"].get<std::string>());
    }
  if (!listed || kept.addresses.size() != stored["servers"].size())
    throw Error(Fault::kBadInput, "the server list " + kept.path + " is empty or damaged" +
                                      (why.empty() ? "" : " (" + why + ")") + "; " + again +
                                      (IsServerList(stored) ? "" : " once it is moved away"));
  kept.servers = std::move(stored["servers"]);
  return kept;
}

void CheckKeptPick(const KeptList &kept, int pick, bool force) {
  if (pick < 0 || static_cast<size_t>(pick) >= kept.addresses.size()) return;
  const json &server = kept.servers[static_cast<size_t>(pick)];
  const std::string named = "server " + std::to_string(pick) + " (" + kept.addresses[pick] + ")";
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
  if (server.contains("needpass") && server["needpass"] == true && !force)
    throw Error(Fault::kBadInput,
                named +
                    " needs a password, and the launch cannot carry one, so the game "
                    "would be turned away; give --force to join it all the same");
}

}  // namespace wolfet_host
