#include "favourites.h"

#include <algorithm>
#include <ctime>
#include <nlohmann/json.hpp>

#include "error.h"
#include "protocol.h"
#include "settings_file.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

constexpr char kFix[] = "mend it or remove it (it holds only the servers starred and joined)";

[[noreturn]] void Damaged(const std::string &path, const std::string &why) {
  throw Error(Fault::kBadInput, "favourites file " + path + " " + why + "; " + kFix);
}

Bookmarks FromJson(const std::string &path, const json &kept) {
  Bookmarks b;
  if (!kept.is_object()) Damaged(path, "is not a JSON object");
  for (auto it = kept.begin(); it != kept.end(); ++it)
    if (it.key() != "favourites" && it.key() != "recent")
      Damaged(path, "has a key it does not keep: " + it.key());
  for (const json &f : kept.value("favourites", json::array())) {
    if (!f.is_string()) Damaged(path, "holds a favourite that is no address: " + f.dump());
    b.favourites.push_back(f.get<std::string>());
  }
  for (const json &r : kept.value("recent", json::array())) {
    if (!r.is_object() || !r.value("address", json()).is_string())
      Damaged(path, "holds a server joined that has no address: " + r.dump());
    b.recent.push_back(
        {r["address"], r.value("name", std::string()), r.value("joined", std::string())});
  }
  return b;
}

json ToJson(const Bookmarks &b) {
  json recent = json::array();
  for (const RecentServer &r : b.recent)
    recent.push_back({{"address", r.address}, {"name", r.name}, {"joined", r.joined}});
  return {{"favourites", b.favourites}, {"recent", recent}};
}

/* Reads, changes and writes the file under the lock. */
template <typename Change>
void Update(const HostFiles &files, Change change) {
  const HostFilesLock lock(files);
  Bookmarks b = ReadBookmarks(files);
  change(b);
  WriteHostFile(files, files.favourites, ToJson(b).dump(2) + '\n', "favourites file");
}

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

Bookmarks ReadBookmarks(const HostFiles &files) {
  const std::optional<std::string> text =
      ReadHostFile(files.favourites, kMaxFavouritesBytes, "favourites file", Fault::kBadInput,
                   Fault::kFile, kFix);
  if (!text) return {};
  json kept;
  const std::string why = ParseHostJson(*text, &kept);
  if (!why.empty()) Damaged(files.favourites, "does not read as JSON (" + why + ")");
  return FromJson(files.favourites, kept);
}

std::string SetFavourite(const HostFiles &files, const std::string &address, bool starred) {
  std::string why;
  const std::optional<ServerAddress> parsed = ParseServerAddress(address, &why);
  if (!parsed) throw Error(Fault::kBadInput, "the server \"" + address + "\" " + why);
  const std::string kept = parsed->host + ":" + std::to_string(parsed->port);
  Update(files, [&](Bookmarks &b) {
    b.favourites.erase(std::remove(b.favourites.begin(), b.favourites.end(), kept),
                       b.favourites.end());
    if (starred) b.favourites.push_back(kept);
  });
  return kept;
}

void NoteJoined(const HostFiles &files, const std::string &address, const std::string &name) {
  Update(files, [&](Bookmarks &b) {
    b.recent.erase(std::remove_if(b.recent.begin(), b.recent.end(),
                                  [&](const RecentServer &r) { return r.address == address; }),
                   b.recent.end());
    b.recent.insert(b.recent.begin(), {address, name, Now()});
    if (b.recent.size() > kMaxRecent) b.recent.resize(kMaxRecent);
  });
}

}  // namespace wolfet_host
