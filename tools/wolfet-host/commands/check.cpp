// check: the engine folder as the plug-in judges it; the content flags it
// reports are kept for verify and launch.
#include <iostream>

#include "commands/display.h"
#include "engine_check.h"
#include "program.h"
#include "text.h"

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

void RunCheck(Session &session) {
  const std::string folder = session.EngineFolder();
  std::cout << "checking the engine folder \"" << folder << "\" (SDLL_EngineConfig)\n";
  const EngineReport report = CheckEngine(session);
  if (report.check.message) ShowMessage(*report.check.message);
  std::cout << "verdict: HostSetEngineValid " << *report.check.verdict << " ("
            << (report.check.valid() ? "usable" : "not usable") << ")\n"
            << "content flags: " << FlagsText(report.content_flags)
            << (report.check.content_flags ? "" : " (the plug-in reported none)")
            << ", kept for verify and launch\n"
            << "SDLL_EngineConfig answered " << report.check.result
            << (report.check.result == 1 ? " (it showed a message)\n" : "\n");
  if (!report.problem.empty()) throw Error(Fault::kEngineFolder, report.problem);
}

void AddCheckCommand(CLI::App &app, Context &context) {
  app.add_subcommand("check",
                     "Have the plug-in judge the engine folder (SDLL_EngineConfig); keeps the "
                     "content flags for verify and launch")
      ->callback([&context] { RunCheck(context.session()); });
}

}  // namespace wolfet_host
