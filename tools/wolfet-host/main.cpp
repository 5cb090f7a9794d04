// wolfet-host: drives the Wolf ET plug-in from a terminal the way the
// launcher does: shows its settings pages, keeps their values, has it
// check the engine folder and name the files to verify, launches a game
// and polls until it ends. Each subcommand lives in commands/.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "commands/registration.h"
#include "exit_codes.h"
#include "os.h"
#include "servers/servers_command.h"

namespace wolfet_host {
namespace {

/* A copied-out host (a zip, another machine) finds the plug-in and the
 * stand-in game beside itself; the paths of the build tree it came from
 * are only the fall-back. */
std::string BesideOrBuilt(const std::string &file, const std::string &built) {
  const std::string folder = os::ExecutableFolder();
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_regular_file(folder + file, error))
    return folder + file;
  return built;
}

/* The global options on `command`, so that they may follow a subcommand
 * too and its --help shows them. */
void AddGlobalOptions(CLI::App &command, GlobalOptions &global) {
  command.add_option("--plugin", global.plugin_path, "The plug-in library to load")
      ->capture_default_str()
      ->group("Global options");
  command.add_option("--settings", global.settings_path, "The host's settings file (JSON)")
      ->capture_default_str()
      ->group("Global options");
}

/* The first word that is neither an option nor a global option's value,
 * when it names no subcommand: CLI11 would only say that one is needed. */
std::string UnknownCommand(CLI::App &app, int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--plugin" || word == "--settings") {
      ++i;
    } else if (word.empty() || word[0] != '-') {
      for (const CLI::App *command : app.get_subcommands({}))
        if (command->check_name(word)) return "";
      return word;
    }
  }
  return "";
}

std::string CommandNames(CLI::App &app) {
  std::string names;
  for (const CLI::App *command : app.get_subcommands({}))
    names += (names.empty() ? "" : ", ") + command->get_name();
  return names;
}

int Fail(const std::exception &e, int code) {
  std::cout << std::flush;
  std::cerr << "wolfet-host: " << e.what() << "\n";
  return code;
}

int Main(int argc, char **argv) {
  CLI::App app{
      "Drives the Wolf ET engine plug-in as the game launcher does: settings pages, engine "
      "check, verification, launch and the poll for the game's end."};
  app.footer(kExitCodeHelp);
  app.require_subcommand(1);

  Context context;
  context.global.plugin_path = BesideOrBuilt(WOLFET_PLUGIN_FILE, WOLFET_DEFAULT_PLUGIN);
  context.global.settings_path = "wolfet-host.json";
  context.stand_in_game = BesideOrBuilt(os::ProgramFile("fake-et"), WOLFET_FAKE_ET);
  AddGlobalOptions(app, context.global);

  AddSchemaCommand(app, context);
  AddSetCommand(app, context);
  AddGetCommand(app, context);
  AddSettingsCommand(app, context);
  AddCheckCommand(app, context);
  AddVerifyCommand(app, context);
  AddHostCommand(app, context);
  AddJoinCommand(app, context);
  AddServersCommand(app, context);
  AddInfoCommand(app, context);
  AddDemoCommand(app, context);
  for (CLI::App *command : app.get_subcommands({})) AddGlobalOptions(*command, context.global);

  /* The chosen subcommand's callback runs inside parse(). */
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    const std::string unknown = UnknownCommand(app, argc, argv);
    if (!unknown.empty()) {
      std::cerr << "wolfet-host: '" << unknown
                << "' is not a command; the commands are: " << CommandNames(app)
                << " (wolfet-host --help says what each does)\n";
      return kExitBadArgument;
    }
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitBadArgument;
  } catch (const CommandError &e) {
    return Fail(e, e.code());
  } catch (const std::exception &e) {
    return Fail(e, kExitFailure);
  }
  return context.exit_code;
}

}  // namespace
}  // namespace wolfet_host

int main(int argc, char **argv) { return wolfet_host::Main(argc, argv); }
