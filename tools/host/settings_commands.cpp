// schema, set, get and settings: the settings pages as the user sees them.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "exit_codes.h"
#include "schema_view.h"
#include "validate.h"

namespace wolfet_host {

int RunSchema(Session &session) {
  const hostkit::Schema &schema = session.schema();
  std::cout << "settings schema of " << session.host().display_name() << " ("
            << session.host().schema().size() << " bytes)\n";
  PrintSchema(schema, std::cout);
  return kExitOk;
}

int RunSet(Session &session, const std::string &page, const std::string &group,
           const std::string &setting, const std::string &value) {
  const hostkit::SchemaSetting &s = FindSetting(session.schema(), page, group, setting);
  std::vector<std::string> hints;
  const std::string where = page + " " + group + " " + setting;
  const std::string stored = ValidateValue(where, s, value, &hints);
  session.file().SetValue(page, group, setting, stored);
  session.file().Save();
  std::cout << where << " = \"" << stored << "\" (saved in " << session.file().path() << ")\n";
  for (const std::string &hint : hints) std::cerr << hint << "\n";
  return kExitOk;
}

namespace {

struct Shown {
  std::string text;
  const char *source; /* "set", "default" or "not set" */
};

Shown Current(Session &session, const std::string &page, const std::string &group,
              const hostkit::SchemaSetting &setting) {
  if (auto v = session.file().Value(page, group, setting.name)) return {*v, "set"};
  if (auto d = setting.default_value()) return {Cp1252ToUtf8(*d), "default"};
  return {"", "not set"};
}

}  // namespace

int RunGet(Session &session, const std::string &page, const std::string &group,
           const std::string &setting) {
  const hostkit::SchemaSetting &s = FindSetting(session.schema(), page, group, setting);
  const Shown shown = Current(session, page, group, s);
  if (std::string(shown.source) == "not set")
    std::cerr << page << " " << group << " " << setting << " is not set and has no default\n";
  else
    std::cout << shown.text << "\n";
  return kExitOk;
}

int RunSettings(Session &session) {
  const hostkit::Schema &schema = session.schema();
  std::cout << "settings in " << session.file().path() << "\n";
  for (const char *name : {"engine", "multiplayer"}) {
    const hostkit::SchemaPage *page = schema.FindPage(name);
    if (page == nullptr) continue;
    std::cout << "page " << name << "\n";
    for (const hostkit::SchemaGroup &group : page->groups) {
      std::cout << "  group " << group.name << "\n";
      for (const hostkit::SchemaSetting &setting : group.settings) {
        if (setting.type() == "caption") continue;
        const Shown shown = Current(session, name, group.name, setting);
        std::cout << "    " << setting.name << " = \"" << shown.text << "\" (" << shown.source
                  << ")\n";
      }
    }
  }
  /* Values the schema does not know stay in the file untouched; say so,
   * since the plug-in never sees them. */
  for (const StoredValue &v : session.file().Values()) {
    const hostkit::SchemaSetting *s = schema.Find(v.page, v.group, v.setting);
    if (s == nullptr)
      std::cerr << "note: " << session.file().path() << " holds " << v.page << " " << v.group << " "
                << v.setting << ", which the schema does not name\n";
  }
  if (auto flags = session.file().ContentFlags()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", *flags);
    std::cout << "content flags of the last check: " << hex << "\n";
  }
  return kExitOk;
}

}  // namespace wolfet_host
