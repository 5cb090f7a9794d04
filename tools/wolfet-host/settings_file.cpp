#include "settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>

#include "error.h"
#include "os.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

/* Builds nothing, only counts the depth and remembers each object's
 * keys. The library parses without recursion, but a value it builds is
 * copied, compared and written out recursively, so the depth is settled
 * before there is a value; and it keeps the last of two equal keys. */
class ShapeCheck : public nlohmann::json_sax<json> {
 public:
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t &) override { return true; }
  bool string(string_t &) override { return true; }
  bool binary(binary_t &) override { return true; }
  bool key(string_t &key) override {
    if (keys_.back().insert(key).second) return true;
    why = "it names the key \"" + key + "\" twice in one object";
    return false;
  }
  bool start_object(std::size_t) override {
    keys_.emplace_back();
    return Enter();
  }
  bool end_object() override {
    keys_.pop_back();
    return Leave();
  }
  bool start_array(std::size_t) override {
    keys_.emplace_back();
    return Enter();
  }
  bool end_array() override {
    keys_.pop_back();
    return Leave();
  }
  bool parse_error(std::size_t, const std::string &,
                   const nlohmann::detail::exception &e) override {
    why = e.what();
    return false;
  }

  std::string why;

 private:
  bool Enter() {
    if (keys_.size() <= kMaxJsonDepth) return true;
    why = "it nests deeper than " + std::to_string(kMaxJsonDepth) + " levels";
    return false;
  }
  bool Leave() { return true; }
  std::vector<std::set<std::string>> keys_;
};

[[noreturn]] void Refuse(const std::string &path, const std::string &key, const std::string &what) {
  throw Error(Fault::kBadInput, "settings file " + path + ": " + key + " " + what +
                                    "; mend it or name another with --settings");
}

std::string Shown(const json &value) { return value.dump(); }

bool IsSha256(const json &value) {
  if (!value.is_string()) return false;
  const std::string &text = value.get_ref<const std::string &>();
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

void CheckValues(const std::string &path, const std::string &page, const json &groups) {
  if (!groups.is_object()) Refuse(path, page, "is " + Shown(groups) + ", not an object of groups");
  for (auto g = groups.begin(); g != groups.end(); ++g) {
    const std::string group = page + " " + g.key();
    if (!g->is_object()) Refuse(path, group, "is " + Shown(*g) + ", not an object of settings");
    for (auto s = g->begin(); s != g->end(); ++s)
      if (!s->is_string() && !s->is_boolean() && !s->is_number_integer())
        Refuse(path, group + " " + s.key(),
               "is " + Shown(*s) + "; a value is text, a whole number or true/false");
  }
}

void CheckLastCheck(const std::string &path, const json &check) {
  if (!check.is_object()) Refuse(path, "last_check", "is " + Shown(check) + ", not an object");
  for (auto it = check.begin(); it != check.end(); ++it) {
    const std::string key = "last_check " + it.key();
    if (it.key() == "content_flags") {
      if (!it->is_number_unsigned() || it->get<uint64_t>() > 0xFFFFFFFFu)
        Refuse(path, key, "is " + Shown(*it) + ", not a 32-bit number such as 16384");
    } else if (it.key() == "enginepath") {
      if (!it->is_string()) Refuse(path, key, "is " + Shown(*it) + ", not a folder's text");
    } else if (it.key() == "usable") {
      if (!it->is_boolean()) Refuse(path, key, "is " + Shown(*it) + ", not true or false");
    } else {
      Refuse(path, key, "is not a key of last_check (content_flags, enginepath, usable)");
    }
  }
  if (!check.contains("content_flags")) Refuse(path, "last_check", "has no content_flags");
}

void CheckManifest(const std::string &path, const json &manifest) {
  if (!manifest.is_object())
    Refuse(path, "manifest", "is " + Shown(manifest) + ", not an object of files");
  for (auto it = manifest.begin(); it != manifest.end(); ++it) {
    const std::string entry = "manifest \"" + it.key() + "\"";
    if (!it->is_object()) Refuse(path, entry, "is " + Shown(*it) + ", not {\"size\", \"sha256\"}");
    for (auto field = it->begin(); field != it->end(); ++field)
      if (field.key() != "size" && field.key() != "sha256")
        Refuse(path, entry + " " + field.key(), "is not a key of an entry (size, sha256)");
    const auto size = it->find("size");
    if (size == it->end() || !size->is_number_unsigned())
      Refuse(path, entry + " size",
             (size == it->end() ? std::string("is missing") : "is " + Shown(*size)) +
                 ", not a number of bytes");
    const auto digest = it->find("sha256");
    if (digest == it->end() || !IsSha256(*digest))
      Refuse(path, entry + " sha256",
             (digest == it->end() ? std::string("is missing") : "is " + Shown(*digest)) +
                 ", not 64 lower-case hex digits");
  }
}

/* Every key is one this host writes: a misspelt one would otherwise be
 * ignored without a word, and its value with it. */
void CheckShape(const std::string &path, const json &root) {
  for (auto it = root.begin(); it != root.end(); ++it) {
    if (it.key() == "engine" || it.key() == "multiplayer")
      CheckValues(path, it.key(), *it);
    else if (it.key() == "last_check")
      CheckLastCheck(path, *it);
    else if (it.key() == "manifest")
      CheckManifest(path, *it);
    else
      Refuse(path, it.key(),
             "is not a key of this file (engine, multiplayer, last_check, manifest)");
  }
}

}  // namespace

std::string ParseHostJson(const std::string &text, json *out) {
  ShapeCheck shape;
  if (!json::sax_parse(text, &shape)) return shape.why;
  *out = json::parse(text, nullptr, false);
  return out->is_discarded() ? "it does not parse" : "";
}

namespace {

constexpr char kFix[] = "mend it or name another with --settings";

/* The file as it is now, checked; an empty object when there is none. */
json ReadChecked(const std::string &path) {
  const std::optional<std::string> text = ReadHostFile(path, kMaxSettingsBytes, "settings file",
                                                       Fault::kBadInput, Fault::kBadInput, kFix);
  if (!text) return json::object();
  json parsed;
  const std::string why = ParseHostJson(*text, &parsed);
  if (!why.empty())
    throw Error(Fault::kBadInput, "settings file " + path + " does not read as JSON (" + why +
                                      "); it is left as it is: " + kFix);
  if (!parsed.is_object())
    throw Error(Fault::kBadInput, "settings file " + path + " is not a JSON object but " +
                                      std::string(parsed.type_name()) +
                                      "; it is left as it is: " + kFix);
  CheckShape(path, parsed);
  return parsed;
}

json::json_pointer Pointer(const std::vector<std::string> &where) {
  json::json_pointer pointer;
  for (const std::string &key : where) pointer /= key;
  return pointer;
}

}  // namespace

SettingsFile::SettingsFile() : json_(std::make_unique<json>(json::object())) {}
SettingsFile::~SettingsFile() = default;
SettingsFile::SettingsFile(SettingsFile &&) noexcept = default;
SettingsFile &SettingsFile::operator=(SettingsFile &&) noexcept = default;

SettingsFile SettingsFile::Load(const HostFiles &files) {
  SettingsFile file;
  file.files_ = files;
  *file.json_ = ReadChecked(files.settings);
  return file;
}

void SettingsFile::Save() {
  const HostFilesLock lock(files_);
  json now = ReadChecked(files_.settings);
  for (const auto &[where, value] : pending_) now[Pointer(where)] = value;
  WriteHostFile(files_, files_.settings, now.dump(2) + '\n', "settings file");
  *json_ = std::move(now);
  pending_.clear();
}

void SettingsFile::Record(std::vector<std::string> where, const json &value) {
  (*json_)[Pointer(where)] = value;
  pending_.emplace_back(std::move(where), value);
}

std::optional<std::string> SettingsFile::Value(const std::string &page, const std::string &group,
                                               const std::string &setting) const {
  const json *node = json_.get();
  for (const std::string *name : {&page, &group, &setting}) {
    auto it = node->find(*name);
    if (it == node->end()) return std::nullopt;
    node = &*it;
  }
  if (node->is_string()) return node->get<std::string>();
  if (node->is_boolean()) return std::string(node->get<bool>() ? "1" : "0");
  /* As the file writes it: one past the range of long long would read as
   * a negative one. */
  return node->dump();
}

void SettingsFile::SetValue(const std::string &page, const std::string &group,
                            const std::string &setting, const std::string &value) {
  Record({page, group, setting}, value);
  ++generation_;
}

std::vector<StoredValue> SettingsFile::Values() const {
  std::vector<StoredValue> out;
  for (const char *page : {"engine", "multiplayer"}) {
    auto p = json_->find(page);
    if (p == json_->end()) continue;
    for (auto g = p->begin(); g != p->end(); ++g)
      for (auto s = g->begin(); s != g->end(); ++s) {
        const StoredValue::Kind kind = s->is_string()    ? StoredValue::kText
                                       : s->is_boolean() ? StoredValue::kBoolean
                                                         : StoredValue::kNumber;
        out.push_back({page, g.key(), s.key(), *Value(page, g.key(), s.key()), kind});
      }
  }
  return out;
}

std::optional<LastCheck> SettingsFile::Check() const {
  auto check = json_->find("last_check");
  if (check == json_->end()) return std::nullopt;
  LastCheck out;
  out.content_flags = static_cast<uint32_t>(check->at("content_flags").get<uint64_t>());
  if (auto folder = check->find("enginepath"); folder != check->end())
    out.folder = folder->get<std::string>();
  if (auto usable = check->find("usable"); usable != check->end()) out.usable = usable->get<bool>();
  return out;
}

void SettingsFile::SetCheck(const LastCheck &check) {
  json out{{"content_flags", check.content_flags}, {"usable", check.usable}};
  if (check.folder) out["enginepath"] = *check.folder;
  Record({"last_check"}, out);
}

std::optional<uint32_t> SettingsFile::ContentFlags() const {
  const auto check = Check();
  if (!check) return std::nullopt;
  return check->content_flags;
}

std::map<std::string, ManifestEntry> SettingsFile::Manifest() const {
  std::map<std::string, ManifestEntry> out;
  auto manifest = json_->find("manifest");
  if (manifest == json_->end()) return out;
  for (auto it = manifest->begin(); it != manifest->end(); ++it)
    out[it.key()] =
        ManifestEntry{it->at("size").get<uint64_t>(), it->at("sha256").get<std::string>()};
  return out;
}

void SettingsFile::SetManifest(const std::map<std::string, ManifestEntry> &manifest) {
  json out = json::object();
  for (const auto &[path, entry] : manifest)
    out[path] = json{{"size", entry.size}, {"sha256", entry.sha256}};
  Record({"manifest"}, out);
}

}  // namespace wolfet_host
