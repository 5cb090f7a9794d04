// One run of the host: the settings file, the loaded plug-in and its
// schema. Commands ask for what they need; each piece is set up once, and
// the plug-in is handed the settings before each export that reads them,
// again only when a value changed since.
#ifndef TOOLS_WOLFET_HOST_SESSION_H
#define TOOLS_WOLFET_HOST_SESSION_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host.h"
#include "schema.h"
#include "settings_file.h"

namespace wolfet_host {

struct GlobalOptions {
  std::string plugin_path;
  std::string settings_path; /* empty: the default place (host_files.h) */
};

class Session {
 public:
  explicit Session(const GlobalOptions &options);

  SettingsFile &file() { return file_; }
  /* Reads the settings file again, as another run may have changed it
   * (the graphical host lives long; the command line does not). */
  void ReloadFile();

  /* Loads and starts the plug-in on first use. Throws Error (kPlugin)
   * naming the file or the missing export. */
  hostkit::Host &host();

  /* The schema from SDLL_LoadConfiguration, parsed; read once. Throws
   * Error: kPlugin when the plug-in gives none that parses, kBadInput
   * when the settings file holds a value its setting cannot take. */
  const hostkit::Schema &schema();

  /* A setting as the plug-in will read it, as UTF-8: the settings file's
   * value, else the schema's default; none when neither is there. */
  std::optional<std::string> Value(const std::string &page, const std::string &group,
                                   const std::string &setting);
  /* engine general enginepath, empty when not set. */
  std::string EngineFolder() { return Value("engine", "general", "enginepath").value_or(""); }

  /* The exports that read settings, each handed them first. */
  hostkit::EngineCheck CheckEngine();
  std::vector<hostkit::VerifyFile> VerifyFiles(uint32_t content_flags);
  void Launch(const hostkit::GameLaunch &launch);

 private:
  void CheckStoredValues(const hostkit::Schema &schema);
  void SupplySettings();

  GlobalOptions options_;
  SettingsFile file_;
  std::unique_ptr<hostkit::Host> host_;
  bool schema_loaded_ = false;
  std::optional<unsigned> supplied_; /* the file's generation the plug-in's store holds */
};

}  // namespace wolfet_host

#endif
