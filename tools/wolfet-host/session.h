// One run of the host: the settings file, the loaded plug-in and its
// schema. Commands ask for what they need; each piece is set up once.
#ifndef TOOLS_HOST_SESSION_H
#define TOOLS_HOST_SESSION_H

#include <memory>
#include <string>

#include "host.h"
#include "schema.h"
#include "settings_file.h"

namespace wolfet_host {

struct GlobalOptions {
  std::string plugin_path;
  std::string settings_path;
};

class Session {
 public:
  explicit Session(const GlobalOptions &options);

  SettingsFile &file() { return file_; }

  /* Loads and starts the plug-in on first use. Throws CommandError
   * (kExitPlugin) naming the file or the missing export. */
  hostkit::Host &host();

  /* The schema from SDLL_LoadConfiguration, parsed; read once. Throws
   * CommandError (kExitPlugin) when the plug-in gives none that parses,
   * (kExitBadArgument) when the settings file holds what it does not name. */
  const hostkit::Schema &schema();

  /* Fills the host's store with the schema's defaults and then the values
   * of the settings file: what the plug-in reads back through the
   * services. Called before every export that reads settings. */
  void SupplySettings();

  /* The engine folder as the plug-in will read it (value or default). */
  std::string EngineFolder();

 private:
  /* A value edited by hand that the plug-in has no setting for, or that
   * its setting cannot hold, is refused naming its key: ignored, it
   * would look set and never reach the plug-in. */
  void CheckStoredValues(const hostkit::Schema &schema);

  GlobalOptions options_;
  SettingsFile file_;
  std::unique_ptr<hostkit::Host> host_;
  bool schema_loaded_ = false;
};

}  // namespace wolfet_host

#endif
