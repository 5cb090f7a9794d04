// set: a value, checked against its type, into the settings file.
#include <iostream>
#include <memory>

#include "program.h"
#include "validate.h"

namespace wolfet_host {

void RunSet(Session &session, const std::string &page, const std::string &group,
            const std::string &setting, const std::string &value) {
  const hostkit::SchemaSetting &s = FindSetting(session.schema(), page, group, setting);
  std::vector<std::string> hints;
  const std::string where = page + " " + group + " " + setting;
  const std::string stored = ValidateValue(where, s, value, &hints);
  session.file().SetValue(page, group, setting, stored);
  session.file().Save();
  std::cout << where << " = \"" << stored << "\" (saved in " << session.file().path() << ")\n";
  for (const std::string &hint : hints) std::cerr << hint << "\n";
}

void AddSetCommand(CLI::App &app, Context &context) {
  struct Options {
    std::string page, group, setting, value;
  };
  auto options = std::make_shared<Options>();
  auto *set = app.add_subcommand(
      "set",
      "Set a value, checked against its type (e.g. set engine general enginepath /games/et/)");
  set->add_option("page", options->page, "engine or multiplayer")->required();
  set->add_option("group", options->group, "The group on that page")->required();
  set->add_option("setting", options->setting, "The setting in that group")->required();
  set->add_option("value", options->value, "The new value")->required();
  set->callback([&context, options] {
    RunSet(context.session(), options->page, options->group, options->setting, options->value);
  });
}

}  // namespace wolfet_host
