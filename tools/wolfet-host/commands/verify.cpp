// verify: the files the plug-in names, found where the game keeps them
// and compared with the manifest `verify --record` kept.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands.h"
#include "commands/display.h"
#include "commands/registration.h"
#include "os.h"
#include "text.h"
#include "validate.h"

namespace wolfet_host {

namespace {

/* The content flags the plug-in gives the folder as it is now. The kept
 * ones do only when the last check judged this very folder usable: flags
 * of another folder, or of one that lacked et.exe then, would name fewer
 * files than the plug-in names now. */
uint32_t ContentFlagsOfFolderNow(Session &session, const std::string &folder) {
  SettingsFile &file = session.file();
  const std::optional<LastCheck> kept = file.Check();
  if (kept && kept->folder == folder && kept->usable) return kept->content_flags;
  std::cerr << "note: "
            << (!kept ? "no check has been run with " + file.path()
                : kept->folder != folder
                    ? "the last check was not of the engine folder set now"
                    : std::string("the last check found the folder not usable"))
            << "; checking the folder now (SDLL_EngineConfig)\n";
  const hostkit::EngineCheck check = session.host().CheckEngine();
  const uint32_t flags = check.content_flags.value_or(0);
  file.SetCheck(LastCheck{flags, folder, check.valid()});
  return flags;
}

}  // namespace

int RunVerify(Session &session, bool record) {
  SettingsFile &file = session.file();
  const std::string current_folder = session.EngineFolder();
  const uint32_t flags = ContentFlagsOfFolderNow(session, current_folder);
  session.SupplySettings();
  std::cout << "asking the plug-in which files to verify (SDLL_Verification, content flags "
            << FlagsText(flags) << ")\n";
  const std::vector<hostkit::VerifyFile> named = session.host().VerifyFiles(flags);

  /* The game keeps its executable in the engine folder and its pak files
   * in etmain, so each name is looked for in both, in that order. */
  struct Seen {
    std::vector<std::string> candidates;
    std::string path; /* where it was found; else where it would be */
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
    Seen s;
    s.candidates = {os::LocalPath(folder + name), os::LocalPath(folder + "etmain\\" + name)};
    s.path = s.candidates[0];
    const char *where = "the engine folder";
    std::error_code error;
    for (const std::string &path : s.candidates) {
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
      std::cout << "  " << name << ": not found (or unreadable) at " << s.candidates[0] << " or "
                << s.candidates[1] << "\n";
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
      std::vector<std::string> claimed;
      for (const Seen &s : seen) {
        /* A file is matched with its entry wherever of its two places
         * either was: one that moved is the same file, moved. */
        auto it = manifest.find(s.path);
        for (const std::string &path : s.candidates)
          if (it == manifest.end()) it = manifest.find(path);
        if (it == manifest.end()) {
          differences.push_back(s.path + ": not in the manifest");
          continue;
        }
        claimed.push_back(it->first);
        if (!s.present) {
          differences.push_back(it->first + ": missing (recorded with " +
                                std::to_string(it->second.size) + " bytes)");
          continue;
        }
        if (it->first != s.path) differences.push_back(it->first + ": moved to " + s.path);
        if (s.entry.size != it->second.size) {
          differences.push_back(s.path + ": size " + std::to_string(it->second.size) + " -> " +
                                std::to_string(s.entry.size) + " bytes");
        } else if (s.entry.sha256 != it->second.sha256) {
          differences.push_back(s.path + ": same size, sha256 " + it->second.sha256 + " -> " +
                                s.entry.sha256);
        }
      }
      for (const auto &[path, entry] : manifest)
        if (std::find(claimed.begin(), claimed.end(), path) == claimed.end())
          differences.push_back(path + ": in the manifest, not named by the plug-in now");
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
    throw CommandError(kExitVerifyDiffers,
                       "verification failed for the engine folder \"" + current_folder + "\"");
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
