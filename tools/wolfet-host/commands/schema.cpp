// schema: the plug-in's settings pages as the user sees them.
#include <iostream>

#include "program.h"
#include "schema_view.h"

namespace wolfet_host {

void RunSchema(Session &session) {
  const hostkit::Schema &schema = session.schema();
  std::cout << "settings schema of " << session.host().display_name() << " ("
            << session.host().schema().size() << " bytes)\n";
  PrintSchema(schema, std::cout);
}

void AddSchemaCommand(CLI::App &app, Context &context) {
  app.add_subcommand("schema",
                     "Show the plug-in's settings pages: groups, settings, types, defaults, lists")
      ->callback([&context] { RunSchema(context.session()); });
}

}  // namespace wolfet_host
