#include "settings_file.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "exit_codes.h"
#include "os.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

/* A value as the host keeps it: text. Numbers and booleans written by hand
 * are taken as their decimal text. */
std::optional<std::string> AsText(const json &value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return std::string(value.get<bool>() ? "1" : "0");
  if (value.is_number_integer()) return std::to_string(value.get<long long>());
  return std::nullopt;
}

}  // namespace

SettingsFile::SettingsFile() : json_(std::make_unique<json>(json::object())) {}
SettingsFile::~SettingsFile() = default;
SettingsFile::SettingsFile(SettingsFile &&) noexcept = default;
SettingsFile &SettingsFile::operator=(SettingsFile &&) noexcept = default;

SettingsFile SettingsFile::Load(const std::string &path) {
  SettingsFile file;
  file.path_ = path;
  std::ifstream in(path, std::ios::binary);
  if (!in) return file;
  std::stringstream text;
  text << in.rdbuf();
  json parsed = json::parse(text.str(), nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object())
    throw CommandError(
        kExitBadArgument,
        "settings file " + path + " is not a JSON object; mend it or name another with --settings");
  *file.json_ = std::move(parsed);
  return file;
}

void SettingsFile::Save() const {
  switch (os::SaveAtomically(path_, json_->dump(2) + '\n')) {
    case os::Saved::kYes:
      return;
    case os::Saved::kNotWritten:
      throw CommandError(kExitFailure, "cannot write settings file " + path_);
    case os::Saved::kNotReplaced:
      break;
  }
  throw CommandError(kExitFailure, "cannot replace settings file " + path_);
}

std::optional<std::string> SettingsFile::Value(const std::string &page, const std::string &group,
                                               const std::string &setting) const {
  const json *node = json_.get();
  for (const std::string *name : {&page, &group, &setting}) {
    if (!node->is_object()) return std::nullopt;
    auto it = node->find(*name);
    if (it == node->end()) return std::nullopt;
    node = &*it;
  }
  return AsText(*node);
}

void SettingsFile::SetValue(const std::string &page, const std::string &group,
                            const std::string &setting, const std::string &value) {
  json *node = json_.get();
  for (const std::string *name : {&page, &group}) {
    json &next = (*node)[*name];
    if (!next.is_object()) next = json::object();
    node = &next;
  }
  (*node)[setting] = value;
}

std::vector<StoredValue> SettingsFile::Values() const {
  std::vector<StoredValue> out;
  for (const char *page : {"engine", "multiplayer"}) {
    auto p = json_->find(page);
    if (p == json_->end() || !p->is_object()) continue;
    for (auto g = p->begin(); g != p->end(); ++g) {
      if (!g->is_object()) continue;
      for (auto s = g->begin(); s != g->end(); ++s)
        if (auto text = AsText(*s)) out.push_back({page, g.key(), s.key(), *text});
    }
  }
  return out;
}

std::optional<uint32_t> SettingsFile::ContentFlags() const {
  auto check = json_->find("last_check");
  if (check == json_->end() || !check->is_object()) return std::nullopt;
  auto flags = check->find("content_flags");
  if (flags == check->end() || !flags->is_number_unsigned()) return std::nullopt;
  const auto value = flags->get<uint64_t>();
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(value);
}

void SettingsFile::SetContentFlags(uint32_t flags) {
  json &check = (*json_)["last_check"];
  if (!check.is_object()) check = json::object();
  check["content_flags"] = flags;
}

std::map<std::string, ManifestEntry> SettingsFile::Manifest() const {
  std::map<std::string, ManifestEntry> out;
  auto manifest = json_->find("manifest");
  if (manifest == json_->end() || !manifest->is_object()) return out;
  for (auto it = manifest->begin(); it != manifest->end(); ++it) {
    if (!it->is_object()) continue;
    auto size = it->find("size");
    auto digest = it->find("sha256");
    if (size == it->end() || !size->is_number_unsigned() || digest == it->end() ||
        !digest->is_string())
      continue;
    out[it.key()] = ManifestEntry{size->get<uint64_t>(), digest->get<std::string>()};
  }
  return out;
}

void SettingsFile::SetManifest(const std::map<std::string, ManifestEntry> &manifest) {
  json out = json::object();
  for (const auto &[path, entry] : manifest)
    out[path] = json{{"size", entry.size}, {"sha256", entry.sha256}};
  (*json_)["manifest"] = std::move(out);
}

}  // namespace wolfet_host
