#include "session.h"

#include "error.h"
#include "text.h"
#include "validate.h"

namespace wolfet_host {
namespace {

/* Whether a value written by hand is one the setting can hold, by the
 * JSON type it was written as: true/false or 0/1 for a boolean, one of
 * the list's keys for a select, text for everything else. */
std::string StoredValueProblem(const StoredValue &v, const hostkit::SchemaSetting &setting) {
  const std::string type = setting.type();
  if (type == "caption") return "is a caption, which holds no value";
  if (type == "boolean")
    return v.value == "0" || v.value == "1" ? "" : "is a boolean: true, false, 0 or 1";
  if (type == "select") {
    if (v.kind == StoredValue::kBoolean) return "takes one of its list keys, not true/false";
    for (const auto &entry : setting.list)
      if (entry.key == v.value) return "";
    std::string keys;
    for (const auto &entry : setting.list) keys += (keys.empty() ? "" : ", ") + entry.key;
    return "takes one of its list keys: " + keys;
  }
  return v.kind == StoredValue::kText ? "" : "takes text, in double quotes";
}

}  // namespace

Session::Session(const GlobalOptions &options)
    : options_(options), file_(SettingsFile::Load(LocateHostFiles(options.settings_path))) {}

hostkit::Host &Session::host() {
  if (host_) return *host_;
  auto host = std::make_unique<hostkit::Host>();
  std::string error;
  if (!host->Load(options_.plugin_path, &error))
    throw Error(Fault::kPlugin,
                "cannot use the plug-in: " + error + " (name another with --plugin PATH)");
  const int32_t started = host->Start();
  if (started != 0)
    throw Error(Fault::kPlugin, "plug-in " + options_.plugin_path + ": SDLL_Init answered " +
                                    std::to_string(started));
  host_ = std::move(host);
  return *host_;
}

const hostkit::Schema &Session::schema() {
  hostkit::Host &h = host();
  if (schema_loaded_) return h.parsed_schema();
  const hostkit::Host::SchemaLoad load = h.ReadSchema();
  if (load.answer != 0)
    throw Error(Fault::kPlugin, "plug-in " + options_.plugin_path +
                                    ": SDLL_LoadConfiguration answered " +
                                    std::to_string(load.answer) +
                                    (load.answer == 1   ? " (no settings resource)"
                                     : load.answer == 2 ? " (the settings resource did not load)"
                                                        : ""));
  if (load.parse_error)
    throw Error(Fault::kPlugin, "plug-in " + options_.plugin_path +
                                    ": its settings schema does not parse: " +
                                    hostkit::Describe(*load.parse_error));
  schema_loaded_ = true;
  CheckStoredValues(h.parsed_schema());
  return h.parsed_schema();
}

void Session::CheckStoredValues(const hostkit::Schema &schema) {
  for (const StoredValue &v : file_.Values()) {
    const std::string where = v.page + " " + v.group + " " + v.setting + " in " + file_.path();
    /* The file may have been edited by hand; what `set` refuses must not
     * reach the plug-in that way either. */
    RejectControlCharacters(where, v.value);
    std::string problem;
    const hostkit::SchemaSetting *setting = schema.Find(v.page, v.group, v.setting);
    if (setting == nullptr)
      problem = "is not a setting of the plug-in (see 'wolfet-host schema')";
    else
      problem = StoredValueProblem(v, *setting);
    if (!problem.empty())
      throw Error(Fault::kBadInput,
                  where + " " + problem + "; it holds " +
                      (v.kind == StoredValue::kText ? "\"" + v.value + "\"" : v.value) +
                      "; mend it or name another with --settings");
  }
}

void Session::ReloadFile() {
  SettingsFile fresh = SettingsFile::Load(file_.files());
  if (schema_loaded_) {
    std::swap(file_, fresh);
    try {
      CheckStoredValues(host().parsed_schema());
    } catch (...) {
      std::swap(file_, fresh);
      throw;
    }
  } else {
    file_ = std::move(fresh);
  }
  supplied_.reset();
}

std::optional<std::string> Session::Value(const std::string &page, const std::string &group,
                                          const std::string &setting) {
  if (auto value = file_.Value(page, group, setting)) return value;
  const hostkit::SchemaSetting *found = schema().Find(page, group, setting);
  if (found == nullptr || !found->default_value()) return std::nullopt;
  return hostkit::Windows1252ToUtf8(*found->default_value());
}

void Session::SupplySettings() {
  const hostkit::Schema &s = schema();
  if (supplied_ == file_.generation()) return;
  hostkit::Settings &store = host().settings();
  store.Clear();
  hostkit::ApplyDefaults(s, &store);
  for (const StoredValue &v : file_.Values()) {
    const hostkit::Page page =
        v.page == "engine" ? hostkit::Page::kEngine : hostkit::Page::kMultiplayer;
    store.SetUtf8(page, v.group, v.setting, v.value);
  }
  supplied_ = file_.generation();
}

hostkit::EngineCheck Session::CheckEngine() {
  SupplySettings();
  return host().CheckEngine();
}

std::vector<hostkit::VerifyFile> Session::VerifyFiles(uint32_t content_flags) {
  SupplySettings();
  return host().VerifyFiles(content_flags);
}

void Session::Launch(const hostkit::GameLaunch &launch) {
  SupplySettings();
  host().Launch(launch);
}

}  // namespace wolfet_host
