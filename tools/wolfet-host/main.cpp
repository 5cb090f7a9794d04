// wolfet-host: drives the Wolf ET plug-in from a terminal the way the
// launcher does: shows its settings pages, keeps their values, has it
// check the engine folder and name the files to verify, launches a game
// and polls until it ends. Each subcommand lives in commands/.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "exit_codes.h"
#include "os.h"
#include "program.h"
#include "validate.h"

namespace wolfet_host {
namespace {

/* Where the program looks for the plug-in and the stand-in game, by its
 * own place: beside it (a copied-out host, the Windows zip), in
 * ../lib/wolfet-host (an installed one), or where the build put them
 * (relative too: a build folder moved or gone is never named). The first
 * that is there; else the first, for the error to name. */
std::string Found(const std::string &file, const std::string &built_relative) {
  const std::string folder = os::ExecutableFolder();
  const std::string places[] = {folder + file,
                                folder + ".." + os::PathSeparator() + "lib" + os::PathSeparator() +
                                    "wolfet-host" + os::PathSeparator() + file,
                                folder + built_relative};
  std::error_code error;
  for (const std::string &place : places)
    if (std::filesystem::is_regular_file(place, error))
      return std::filesystem::path(place).lexically_normal().string();
  return places[0];
}

/* The global options on `command`, so that they may follow a subcommand
 * too and its --help shows them. */
void AddGlobalOptions(CLI::App &command, GlobalOptions &global) {
  command.add_option("--plugin", global.plugin_path, "The plug-in library to load")
      ->capture_default_str()
      ->group("Global options");
  command
      .add_option("--settings", global.settings_path,
                  "The host's settings file (JSON), beside which it keeps the list servers "
                  "found and the colour a launch saved; by default settings.json in the user's "
                  "configuration folder (~/.config/wolfet-host, %APPDATA%\\wolfet-host), or "
                  "$WOLFET_HOST_SETTINGS when set")
      ->check(CLI::Validator(
          [](std::string &text) {
            return text.empty() ? std::string("an empty text names no file") : std::string();
          },
          "FILE"))
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

/* A full disk or a broken device under standard output: what the command
 * printed did not all arrive, and a script reading it must not take it
 * for whole. */
int CheckOutput(int code) {
  errno = 0;
  std::cout.flush();
  const bool failed = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (!failed) return code;
  std::cerr << "wolfet-host: cannot write to standard output ("
            << (errno != 0 ? std::strerror(errno) : "the write failed")
            << "); what it printed is not whole\n";
  return code == kExitOk ? ExitCode(Fault::kFile) : code;
}

int Main(int argc, char **argv) {
  CLI::App app{
      "Drives the Wolf ET engine plug-in as the game launcher does: settings pages, engine "
      "check, verification, launch and the poll for the game's end."};
  app.footer(ExitCodeHelp());
  app.require_subcommand(1);

  Context context;
  context.global.plugin_path = Found(WOLFET_PLUGIN_FILE, WOLFET_BUILT_PLUGIN);
  context.stand_in_game = Found(os::ProgramFile("fake-et"), WOLFET_BUILT_STAND_IN_GAME);
  /* Before the options, which win over it: both levels of the command
   * line hold --settings, and a parser's environment default would be
   * applied after the subcommand's option. */
  if (const char *settings = std::getenv("WOLFET_HOST_SETTINGS"))
    context.global.settings_path = settings;
  AddGlobalOptions(app, context.global);

  for (auto add :
       {AddSchemaCommand, AddSetCommand, AddGetCommand, AddSettingsCommand, AddCheckCommand,
        AddVerifyCommand, AddHostCommand, AddJoinCommand, AddServersCommand, AddInfoCommand,
        AddFavouritesCommand, AddUiCommand, AddDemoCommand})
    add(app, context);
  for (CLI::App *command : app.get_subcommands({})) AddGlobalOptions(*command, context.global);

  /* The chosen subcommand's run function is called inside parse(). */
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    const std::string unknown = UnknownCommand(app, argc, argv);
    if (!unknown.empty()) {
      std::cerr << "wolfet-host: '" << unknown
                << "' is not a command; the commands are: " << CommandNames(app)
                << " (wolfet-host --help says what each does)\n";
      return kExitUsage;
    }
    return CheckOutput(app.exit(e) == 0 ? kExitOk : kExitUsage);
  } catch (const Error &e) {
    return CheckOutput(Fail(e, ExitCode(e.fault())));
  } catch (const std::exception &e) {
    return CheckOutput(Fail(e, ExitCode(Fault::kFile)));
  }
  return CheckOutput(kExitOk);
}

}  // namespace

CLI::Validator Seconds(double min, double max) {
  const std::string range =
      "[" + CLI::detail::to_string(min) + " - " + CLI::detail::to_string(max) + "]";
  return CLI::Validator(
      [min, max, range](std::string &text) -> std::string {
        double value = 0;
        if (!ParseDecimal(text, &value))
          return "'" + text + "' is not a number of seconds; give one in " + range;
        if (value < min || value > max)
          return "Value " + text + " not in range " + range + " seconds";
        return std::string();
      },
      "SECONDS in " + range);
}

CLI::Validator Decimal() {
  return CLI::Validator(
      [](std::string &text) -> std::string {
        double value = 0;
        if (!ParseDecimal(text, &value) || text.find('.') != std::string::npos)
          return "'" + text + "' is not a whole number in decimal digits";
        /* The parser would read a leading 0 as octal. */
        const size_t sign = text[0] == '-' ? 1 : 0;
        const size_t zeros = text.find_first_not_of('0', sign);
        text.erase(sign, std::min(zeros, text.size() - 1) - sign);
        return std::string();
      },
      "N");
}

}  // namespace wolfet_host

int main(int argc, char **argv) { return wolfet_host::Main(argc, argv); }
