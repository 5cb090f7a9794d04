// check and verify: the engine folder as the plug-in judges it, and the
// host's own verification of the files the plug-in names.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "exit_codes.h"
#include "os.h"

namespace wolfet_host {
namespace {

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

bool EndsWithSeparator(const std::string &path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string SetItHint() {
  return std::string("set it with: wolfet-host set engine general enginepath FOLDER") +
         os::PathSeparator();
}

}  // namespace

int RunCheck(Session &session) {
  const std::string folder = session.EngineFolder();
  hostkit::Host &host = session.host();
  host.ClearCalls();
  std::cout << "checking the engine folder \"" << folder << "\" (SDLL_EngineConfig)\n";
  const int32_t result = host.plugin().EngineConfig();
  for (const hostkit::Call &call : host.CallsTo("HostMessageBox")) {
    std::cout << "message from the plug-in, titled \"" << call.args[1] << "\":\n";
    std::string line;
    for (char c : call.args[0] + "\n") {
      if (c == '\n') {
        std::cout << "  " << line << "\n";
        line.clear();
      } else {
        line += c;
      }
    }
  }
  const auto verdicts = host.CallsTo("HostSetEngineValid");
  if (verdicts.empty())
    throw CommandError(kExitPlugin, "the plug-in gave no verdict on the engine folder");
  const bool valid = verdicts.back().args[1] == "1";
  const bool flagged = !host.CallsTo("HostSetContentFlags").empty();
  const uint32_t flags = flagged ? host.content_flags() : 0;
  session.file().SetContentFlags(flags);
  session.file().Save();
  std::cout << "verdict: HostSetEngineValid " << verdicts.back().args[1] << " ("
            << (valid ? "usable" : "not usable") << ")\n"
            << "content flags: " << Hex(flags) << (flagged ? "" : " (the plug-in reported none)")
            << ", kept for verify and launch\n"
            << "SDLL_EngineConfig answered " << result
            << (result == 1 ? " (it showed a message)\n" : "\n");
  if (valid) return kExitOk;
  if (folder.empty())
    throw CommandError(kExitEngineFolder,
                       "the engine folder (engine general enginepath) is not "
                       "set; " +
                           SetItHint());
  std::string why =
      "the engine folder \"" + folder + "\" is not usable: no et.exe at \"" + folder + "et.exe\"";
  if (!EndsWithSeparator(folder) && std::filesystem::is_directory(os::LocalPath(folder)))
    why +=
        "; it lacks the trailing '" + std::string(1, os::PathSeparator()) + "' the plug-in needs";
  throw CommandError(kExitEngineFolder, why);
}

int RunVerify(Session &session, bool record) {
  SettingsFile &file = session.file();
  const auto stored_flags = file.ContentFlags();
  if (!stored_flags)
    std::cerr << "note: no check has been run with " << file.path()
              << "; using content flags 0 (run 'wolfet-host check' first)\n";
  const uint32_t flags = stored_flags.value_or(0);
  session.SupplySettings();
  hostkit::Host &host = session.host();
  host.ClearCalls();
  std::cout << "asking the plug-in which files to verify (SDLL_Verification, content flags "
            << Hex(flags) << ")\n";
  host.plugin().Verification(flags);

  struct Seen {
    std::string path;
    bool present = false;
    ManifestEntry entry;
  };
  std::vector<Seen> seen;
  bool failed = false;
  for (const hostkit::Call &call : host.CallsTo("HostAddVerifyFile")) {
    const std::string &folder = call.args[0];
    const std::string &name = call.args[1];
    if (name.empty()) {
      std::cout << "  (the plug-in named no content file for these flags)\n";
      continue;
    }
    if (folder.empty())
      throw CommandError(kExitEngineFolder,
                         "the engine folder (engine general enginepath) is not set, so " + name +
                             " cannot be found; " + SetItHint());
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

}  // namespace wolfet_host
