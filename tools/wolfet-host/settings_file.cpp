#include "settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "error.h"
#include "os.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

/* Builds nothing, only counts. The library parses without recursion, but
 * a value it builds is copied, compared and written out recursively, so
 * the depth is settled before there is a value. */
class DepthCheck : public nlohmann::json_sax<json> {
 public:
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t &) override { return true; }
  bool string(string_t &) override { return true; }
  bool binary(binary_t &) override { return true; }
  bool key(string_t &) override { return true; }
  bool start_object(std::size_t) override { return Enter(); }
  bool end_object() override { return Leave(); }
  bool start_array(std::size_t) override { return Enter(); }
  bool end_array() override { return Leave(); }
  bool parse_error(std::size_t, const std::string &,
                   const nlohmann::detail::exception &e) override {
    why = e.what();
    return false;
  }

  std::string why;

 private:
  bool Enter() {
    if (++depth_ <= kMaxJsonDepth) return true;
    why = "it nests deeper than " + std::to_string(kMaxJsonDepth) + " levels";
    return false;
  }
  bool Leave() {
    --depth_;
    return true;
  }
  size_t depth_ = 0;
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

JsonReading ReadJsonFile(const std::string &path, json *out) {
  errno = 0;
  std::FILE *in = std::fopen(path.c_str(), "rb");
  if (in == nullptr)
    return errno == ENOENT ? JsonReading{JsonReading::kMissing, ""}
                           : JsonReading{JsonReading::kUnreadable, std::strerror(errno)};
  std::string text;
  char piece[1 << 14];
  size_t got = 0;
  while ((got = std::fread(piece, 1, sizeof piece, in)) > 0) text.append(piece, got);
  const int error = std::ferror(in) != 0 ? errno : 0;
  std::fclose(in);
  if (error != 0) return {JsonReading::kUnreadable, std::strerror(error)};
  DepthCheck depth;
  if (!json::sax_parse(text, &depth)) return {JsonReading::kMalformed, depth.why};
  *out = json::parse(text, nullptr, false);
  if (out->is_discarded()) return {JsonReading::kMalformed, "it does not parse"};
  return {JsonReading::kRead, ""};
}

SettingsFile::SettingsFile() : json_(std::make_unique<json>(json::object())) {}
SettingsFile::~SettingsFile() = default;
SettingsFile::SettingsFile(SettingsFile &&) noexcept = default;
SettingsFile &SettingsFile::operator=(SettingsFile &&) noexcept = default;

SettingsFile SettingsFile::Load(const std::string &path) {
  SettingsFile file;
  file.path_ = path;
  json parsed;
  const JsonReading read = ReadJsonFile(path, &parsed);
  switch (read.state) {
    case JsonReading::kMissing:
      return file;
    case JsonReading::kUnreadable:
      throw Error(Fault::kBadInput, "cannot read settings file " + path + " (" + read.why +
                                        "); it is left as it is: make it readable or "
                                        "name another with --settings");
    case JsonReading::kMalformed:
      throw Error(Fault::kBadInput, "settings file " + path + " is not a JSON object (" + read.why +
                                        "); it is left as it is: mend it or name "
                                        "another with --settings");
    case JsonReading::kRead:
      break;
  }
  if (!parsed.is_object())
    throw Error(Fault::kBadInput,
                "settings file " + path + " is not a JSON object but " +
                    std::string(parsed.type_name()) +
                    "; it is left as it is: mend it or name another with --settings");
  CheckShape(path, parsed);
  *file.json_ = std::move(parsed);
  return file;
}

void SettingsFile::Save() const {
  std::string why;
  switch (os::SaveAtomically(path_, json_->dump(2) + '\n', &why)) {
    case os::Saved::kYes:
      return;
    case os::Saved::kNotWritten:
      throw Error(Fault::kFile,
                  "cannot write settings file " + path_ + " (" + why + "); it is left as it was");
    case os::Saved::kNotReplaced:
      break;
  }
  throw Error(Fault::kFile,
              "cannot replace settings file " + path_ + " (" + why + "); it is left as it was");
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
  return std::to_string(node->get<long long>());
}

void SettingsFile::SetValue(const std::string &page, const std::string &group,
                            const std::string &setting, const std::string &value) {
  (*json_)[page][group][setting] = value;
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
  (*json_)["last_check"] = std::move(out);
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
  (*json_)["manifest"] = std::move(out);
}

}  // namespace wolfet_host
