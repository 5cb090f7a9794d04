#include "engine_check.h"

#include <algorithm>
#include <filesystem>

#include "engine_folder.h"
#include "error.h"
#include "os.h"
#include "text.h"

namespace wolfet_host {
namespace {

/* Why the folder is not usable. The plug-in only looks for an entry
 * named et.exe; the host also sees whether the game can be started from
 * it, and says so even where the plug-in found the entry. */
std::string Problem(const std::string &folder, bool plugin_found_it) {
  const std::string problem = EngineFolderProblem(folder, FolderUse::kCheck);
  if (!problem.empty())
    return plugin_found_it ? "the plug-in finds et.exe, but " + problem : problem;
  if (plugin_found_it) return "";
  return "the engine folder \"" + folder + "\" is not usable: the plug-in found no et.exe at \"" +
         os::LocalPath(folder + "et.exe") + "\"";
}

/* The content flags the plug-in gives the folder as it is now. The kept
 * ones do only when the last check judged this very folder usable: flags
 * of another folder, or of one that lacked et.exe then, would name fewer
 * files than the plug-in names now. */
uint32_t ContentFlagsOfFolderNow(Session &session, const std::string &folder, std::string *note) {
  SettingsFile &file = session.file();
  const std::optional<LastCheck> kept = file.Check();
  if (kept && kept->folder == folder && kept->usable) return kept->content_flags;
  *note =
      (!kept                    ? "no check has been run with " + file.path()
       : kept->folder != folder ? std::string("the last check was not of the engine folder set now")
                                : std::string("the last check found the folder not usable")) +
      "; checking the folder now (SDLL_EngineConfig)";
  const hostkit::EngineCheck check = session.CheckEngine();
  const uint32_t flags = check.content_flags.value_or(0);
  file.SetCheck(LastCheck{flags, folder, check.valid()});
  return flags;
}

/* The game keeps its executable in the engine folder and its pak files
 * in etmain, so each name is looked for in both, in that order. The
 * plug-in names them in Windows-1252; the file system and the manifest
 * take UTF-8. */
VerifiedFile Locate(const hostkit::VerifyFile &named) {
  const std::string folder = hostkit::Windows1252ToUtf8(named.folder);
  VerifiedFile f;
  f.name = hostkit::Windows1252ToUtf8(named.file);
  f.candidates = {os::LocalPath(folder + f.name), os::LocalPath(folder + "etmain\\" + f.name)};
  f.path = f.candidates[0];
  std::error_code error;
  for (const std::string &path : f.candidates) {
    if (std::filesystem::is_regular_file(path, error)) {
      f.path = path;
      f.entry.size = std::filesystem::file_size(path, error);
      f.present = !error && os::Sha256File(path, &f.entry.sha256);
      return f;
    }
    f.in_etmain = true;
  }
  f.in_etmain = false;
  return f;
}

/* A file is matched with its entry wherever of its two places either
 * was: one that moved is the same file, moved. */
std::vector<std::string> Differences(const std::vector<VerifiedFile> &files,
                                     const std::map<std::string, ManifestEntry> &manifest) {
  std::vector<std::string> differences;
  std::vector<std::string> claimed;
  for (const VerifiedFile &f : files) {
    auto it = manifest.find(f.path);
    for (const std::string &path : f.candidates)
      if (it == manifest.end()) it = manifest.find(path);
    if (it == manifest.end()) {
      differences.push_back(f.path + ": not in the manifest");
      continue;
    }
    claimed.push_back(it->first);
    if (!f.present) {
      differences.push_back(it->first + ": missing (recorded with " +
                            std::to_string(it->second.size) + " bytes)");
      continue;
    }
    if (it->first != f.path) differences.push_back(it->first + ": moved to " + f.path);
    if (f.entry.size != it->second.size)
      differences.push_back(f.path + ": size " + std::to_string(it->second.size) + " -> " +
                            std::to_string(f.entry.size) + " bytes");
    else if (f.entry.sha256 != it->second.sha256)
      differences.push_back(f.path + ": same size, sha256 " + it->second.sha256 + " -> " +
                            f.entry.sha256);
  }
  for (const auto &[path, entry] : manifest)
    if (std::find(claimed.begin(), claimed.end(), path) == claimed.end())
      differences.push_back(path + ": in the manifest, not named by the plug-in now");
  return differences;
}

}  // namespace

EngineReport CheckEngine(Session &session) {
  EngineReport report;
  report.folder = session.EngineFolder();
  report.check = session.CheckEngine();
  if (!report.check.verdict)
    throw Error(Fault::kPlugin, "the plug-in gave no verdict on the engine folder");
  report.content_flags = report.check.content_flags.value_or(0);
  /* With the folder they are true for: verify checks again when it changed. */
  session.file().SetCheck(LastCheck{report.content_flags, report.folder, report.check.valid()});
  session.file().Save();
  report.problem = Problem(report.folder, report.check.valid());
  return report;
}

bool VerifyReport::failed() const {
  return !differences.empty() ||
         std::any_of(files.begin(), files.end(), [](const VerifiedFile &f) { return !f.present; });
}

VerifyReport VerifyEngineFiles(Session &session, bool record) {
  const std::string folder = session.EngineFolder();
  if (folder.empty()) DiagnoseEngineFolder(folder, FolderUse::kCheck);
  VerifyReport report;
  report.content_flags = ContentFlagsOfFolderNow(session, folder, &report.note);
  for (const hostkit::VerifyFile &named : session.VerifyFiles(report.content_flags)) {
    if (named.file.empty())
      report.named_no_content = true;
    else
      report.files.push_back(Locate(named));
  }
  SettingsFile &file = session.file();
  if (record) {
    std::map<std::string, ManifestEntry> manifest;
    for (const VerifiedFile &f : report.files)
      if (f.present) manifest[f.path] = f.entry;
    file.SetManifest(manifest);
    file.Save();
    report.recorded = true;
  } else if (file.Manifest().empty()) {
    report.no_manifest = true;
  } else {
    report.differences = Differences(report.files, file.Manifest());
  }
  return report;
}

}  // namespace wolfet_host
