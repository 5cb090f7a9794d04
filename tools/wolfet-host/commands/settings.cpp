// settings: every value, by page and group. (A value the schema does not
// name is refused when the file is read, so every one is shown here.)
#include <iostream>

#include "commands/display.h"
#include "program.h"

namespace wolfet_host {

namespace {

void RunSettings(Session &session) {
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
        const ShownValue shown = CurrentValue(session, name, group.name, setting);
        std::cout << "    " << setting.name << " = \"" << shown.text << "\" (" << shown.source
                  << ")\n";
      }
    }
  }
  if (auto flags = session.file().ContentFlags())
    std::cout << "content flags of the last check: " << FlagsText(*flags) << "\n";
}

}  // namespace

void AddSettingsCommand(CLI::App &app, Context &context) {
  app.add_subcommand("settings", "Show every value, by page and group")->callback([&context] {
    RunSettings(context.session());
  });
}

}  // namespace wolfet_host
