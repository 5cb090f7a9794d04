// check: the engine folder as the plug-in judges it; the content flags it
// reports are kept for verify and launch.
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "commands/display.h"
#include "commands/registration.h"
#include "os.h"
#include "text.h"
#include "validate.h"

namespace wolfet_host {

namespace {

/* The plug-in's message, each of its lines indented under the title; it
 * speaks Windows-1252, the terminal UTF-8. */
void ShowMessage(const hostkit::ShownMessage &message) {
  std::cout << "message from the plug-in, titled \"" << hostkit::Windows1252ToUtf8(message.caption)
            << "\":\n";
  std::string line;
  for (char c : hostkit::Windows1252ToUtf8(message.text) + "\n") {
    if (c == '\n') {
      std::cout << "  " << line << "\n";
      line.clear();
    } else {
      line += c;
    }
  }
}

}  // namespace

int RunCheck(Session &session) {
  const std::string folder = session.EngineFolder();
  std::cout << "checking the engine folder \"" << folder << "\" (SDLL_EngineConfig)\n";
  const hostkit::EngineCheck check = session.host().CheckEngine();
  if (check.message) ShowMessage(*check.message);
  if (!check.verdict)
    throw CommandError(kExitPlugin, "the plug-in gave no verdict on the engine folder");
  const uint32_t flags = check.content_flags.value_or(0);
  /* With the folder they are true for: verify checks again when it changed. */
  session.file().SetCheck(LastCheck{flags, folder, check.valid()});
  session.file().Save();
  std::cout << "verdict: HostSetEngineValid " << *check.verdict << " ("
            << (check.valid() ? "usable" : "not usable") << ")\n"
            << "content flags: " << FlagsText(flags)
            << (check.content_flags ? "" : " (the plug-in reported none)")
            << ", kept for verify and launch\n"
            << "SDLL_EngineConfig answered " << check.result
            << (check.result == 1 ? " (it showed a message)\n" : "\n");
  if (check.valid()) return kExitOk;
  if (folder.empty())
    throw CommandError(
        kExitEngineFolder,
        "the engine folder (engine general enginepath) is not set; " + SetEngineFolderHint());
  RejectFolderOutsideAnsi("the engine folder", folder, kExitEngineFolder);
  std::string why =
      "the engine folder \"" + folder + "\" is not usable: no et.exe at \"" + folder + "et.exe\"";
  if (!os::EndsWithSeparator(folder) && std::filesystem::is_directory(os::LocalPath(folder)))
    why +=
        "; it lacks the trailing '" + std::string(1, os::PathSeparator()) + "' the plug-in needs";
  throw CommandError(kExitEngineFolder, why);
}

void AddCheckCommand(CLI::App &app, Context &context) {
  app.add_subcommand("check",
                     "Have the plug-in judge the engine folder (SDLL_EngineConfig); keeps the "
                     "content flags for verify and launch")
      ->callback([&context] { context.exit_code = RunCheck(context.session()); });
}

}  // namespace wolfet_host
