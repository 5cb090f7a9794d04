// verify: the files the plug-in names, found where the game keeps them
// and compared with the manifest `verify --record` kept.
#include <iostream>
#include <memory>

#include "commands/display.h"
#include "engine_check.h"
#include "program.h"

namespace wolfet_host {
namespace {

void ShowFile(const VerifiedFile &f) {
  if (f.present)
    std::cout << "  " << f.name << ": found in " << (f.in_etmain ? "etmain" : "the engine folder")
              << ", " << f.path << ", " << f.entry.size << " bytes, sha256 " << f.entry.sha256
              << "\n";
  else
    std::cout << "  " << f.name << ": not found (or unreadable) at " << f.candidates[0] << " or "
              << f.candidates[1] << "\n";
}

void ShowComparison(const VerifyReport &report, const std::string &settings_path) {
  if (report.recorded) {
    size_t kept = 0;
    for (const VerifiedFile &f : report.files) kept += f.present ? 1 : 0;
    std::cout << "recorded " << kept << " file(s) as the manifest in " << settings_path << "\n";
  } else if (report.no_manifest) {
    std::cout << "no manifest yet: 'wolfet-host verify --record' keeps one to compare with\n";
  } else if (report.differences.empty()) {
    std::cout << "all files match the manifest\n";
  } else {
    std::cout << report.differences.size() << " difference(s) from the manifest:\n";
    for (const std::string &d : report.differences) std::cout << "  " << d << "\n";
  }
}

}  // namespace

void RunVerify(Session &session, bool record) {
  const VerifyReport report = VerifyEngineFiles(session, record);
  if (!report.note.empty()) std::cerr << "note: " << report.note << "\n";
  std::cout << "asking the plug-in which files to verify (SDLL_Verification, content flags "
            << FlagsText(report.content_flags) << ")\n";
  for (const VerifiedFile &f : report.files) ShowFile(f);
  if (report.named_no_content)
    std::cout << "  (the plug-in named no content file for these flags)\n";
  ShowComparison(report, session.file().path());
  if (report.failed())
    throw Error(Fault::kFilesDiffer,
                "verification failed for the engine folder \"" + session.EngineFolder() + "\"");
}

void AddVerifyCommand(CLI::App &app, Context &context) {
  auto record = std::make_shared<bool>(false);
  auto *verify = app.add_subcommand(
      "verify",
      "Have the plug-in name its files (SDLL_Verification), then check that they exist "
      "and compare their size and SHA-256 with the recorded manifest");
  verify->add_flag("--record", *record, "Record the files as they are now as the manifest");
  verify->callback([&context, record] { RunVerify(context.session(), *record); });
}

}  // namespace wolfet_host
