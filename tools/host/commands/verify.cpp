// verify: the files the plug-in names, found where the game keeps them
// and compared with the manifest `verify --record` kept.
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands.h"
#include "commands/display.h"
#include "commands/registration.h"
#include "os.h"
#include "text.h"

namespace wolfet_host {

int RunVerify(Session &session, bool record) {
  SettingsFile &file = session.file();
  const auto stored_flags = file.ContentFlags();
  if (!stored_flags)
    std::cerr << "note: no check has been run with " << file.path()
              << "; using content flags 0 (run 'wolfet-host check' first)\n";
  const uint32_t flags = stored_flags.value_or(0);
  session.SupplySettings();
  std::cout << "asking the plug-in which files to verify (SDLL_Verification, content flags "
            << FlagsText(flags) << ")\n";
  const std::vector<hostkit::VerifyFile> named = session.host().VerifyFiles(flags);

  struct Seen {
    std::string path;
    bool present = false;
    ManifestEntry entry;
  };
  std::vector<Seen> seen;
  bool failed = false;
  for (const hostkit::VerifyFile &named_file : named) {
    /* The plug-in names them in Windows-1252; the file system, the
     * terminal and the manifest take UTF-8. */
    const std::string folder = hostkit::Windows1252ToUtf8(named_file.folder);
    const std::string name = hostkit::Windows1252ToUtf8(named_file.file);
    if (name.empty()) {
      std::cout << "  (the plug-in named no content file for these flags)\n";
      continue;
    }
    if (folder.empty())
      throw CommandError(kExitEngineFolder,
                         "the engine folder (engine general enginepath) is not set, so " + name +
                             " cannot be found; " + SetEngineFolderHint());
    /* The game keeps its executable in the engine folder and its pak
     * files in etmain: each name is looked for in both, in that order. */
    const std::string candidates[] = {os::LocalPath(folder + name),
                                      os::LocalPath(folder + "etmain\\" + name)};
    Seen s;
    s.path = candidates[0];
    const char *where = "the engine folder";
    std::error_code error;
    for (const std::string &path : candidates) {
      if (std::filesystem::is_regular_file(path, error)) {
        s.path = path;
        s.entry.size = std::filesystem::file_size(path, error);
        s.present = !error && os::Sha256File(path, &s.entry.sha256);
        break;
      }
      where = "etmain";
    }
    if (s.present) {
      std::cout << "  " << name << ": found in " << where << ", " << s.path << ", " << s.entry.size
                << " bytes, sha256 " << s.entry.sha256 << "\n";
    } else {
      /* A file that went missing is named where it was recorded. */
      if (file.Manifest().count(candidates[1]) != 0) s.path = candidates[1];
      std::cout << "  " << name << ": not found (or unreadable) at " << candidates[0] << " or "
                << candidates[1] << "\n";
      failed = true;
    }
    seen.push_back(s);
  }

  if (record) {
    std::map<std::string, ManifestEntry> manifest;
    for (const Seen &s : seen)
      if (s.present) manifest[s.path] = s.entry;
    file.SetManifest(manifest);
    file.Save();
    std::cout << "recorded " << manifest.size() << " file(s) as the manifest in " << file.path()
              << "\n";
  } else {
    const auto manifest = file.Manifest();
    if (manifest.empty()) {
      std::cout << "no manifest yet: 'wolfet-host verify --record' keeps one to compare with\n";
    } else {
      std::vector<std::string> differences;
      for (const Seen &s : seen) {
        auto it = manifest.find(s.path);
        if (it == manifest.end()) {
          differences.push_back(s.path + ": not in the manifest");
        } else if (!s.present) {
          differences.push_back(s.path + ": missing (recorded with " +
                                std::to_string(it->second.size) + " bytes)");
        } else if (s.entry.size != it->second.size) {
          differences.push_back(s.path + ": size " + std::to_string(it->second.size) + " -> " +
                                std::to_string(s.entry.size) + " bytes");
        } else if (s.entry.sha256 != it->second.sha256) {
          differences.push_back(s.path + ": same size, sha256 " + it->second.sha256 + " -> " +
                                s.entry.sha256);
        }
      }
      for (const auto &[path, entry] : manifest) {
        bool named = false;
        for (const Seen &s : seen) named = named || s.path == path;
        if (!named) differences.push_back(path + ": in the manifest, not named by the plug-in now");
      }
      if (differences.empty()) {
        std::cout << "all files match the manifest\n";
      } else {
        std::cout << differences.size() << " difference(s) from the manifest:\n";
        for (const std::string &d : differences) std::cout << "  " << d << "\n";
        failed = true;
      }
    }
  }
  if (failed)
    throw CommandError(kExitVerifyDiffers, "verification failed for the engine folder \"" +
                                               session.EngineFolder() + "\"");
  return kExitOk;
}

void AddVerifyCommand(CLI::App &app, Context &context) {
  auto record = std::make_shared<bool>(false);
  auto *verify = app.add_subcommand(
      "verify",
      "Have the plug-in name its files (SDLL_Verification), then check that they exist "
      "and compare their size and SHA-256 with the recorded manifest");
  verify->add_flag("--record", *record, "Record the files as they are now as the manifest");
  verify->callback(
      [&context, record] { context.exit_code = RunVerify(context.session(), *record); });
}

}  // namespace wolfet_host
