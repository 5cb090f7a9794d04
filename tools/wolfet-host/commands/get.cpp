// get: one value as the plug-in will read it.
#include <iostream>
#include <memory>

#include "commands/display.h"
#include "program.h"
#include "validate.h"

namespace wolfet_host {

namespace {

void RunGet(Session &session, const std::string &page, const std::string &group,
            const std::string &setting) {
  const hostkit::SchemaSetting &s = FindSetting(session.schema(), page, group, setting);
  const ShownValue shown = CurrentValue(session, page, group, s);
  if (shown.is_set())
    std::cout << shown.text << "\n";
  else
    std::cerr << page << " " << group << " " << setting << " is not set and has no default\n";
}

}  // namespace

void AddGetCommand(CLI::App &app, Context &context) {
  struct Options {
    std::string page, group, setting;
  };
  auto options = std::make_shared<Options>();
  auto *get = app.add_subcommand("get", "Show one value (set, or else its default)");
  get->add_option("page", options->page, "engine or multiplayer")->required();
  get->add_option("group", options->group, "The group on that page")->required();
  get->add_option("setting", options->setting, "The setting in that group")->required();
  get->callback([&context, options] {
    RunGet(context.session(), options->page, options->group, options->setting);
  });
}

}  // namespace wolfet_host
