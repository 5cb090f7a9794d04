#include "engine_folder.h"

#include <filesystem>

#include "error.h"
#include "os.h"
#include "text.h"
#include "validate.h"

namespace wolfet_host {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

/* Why et.exe at `exe` cannot be started, or empty. */
std::string GameProblem(const std::string &exe) {
  std::error_code error;
  const fs::file_status link = fs::symlink_status(exe, error);
  if (fs::is_symlink(link) && !fs::exists(exe, error))
    return Quoted(exe) + " is a link to nothing: its target is not there";
  const std::string kind = os::KindOf(exe);
  if (!kind.empty()) return Quoted(exe) + " is " + kind + ", not the game's program";
  if (!os::IsRunnableFile(exe))
    return Quoted(exe) + " may not be run: give it the right to (chmod +x)";
  return "";
}

}  // namespace

size_t PluginPathLength(const std::string &folder, const std::string &name) {
  return hostkit::Utf8ToUtf16(folder).size() + name.size();
}

std::string EngineFolderProblem(const std::string &folder, FolderUse use) {
  if (folder.empty())
    return "the engine folder (engine general enginepath) is not set; " + SetEngineFolderHint();
  try {
    RejectFolderOutsideAnsi("the engine folder", folder, Fault::kEngineFolder);
  } catch (const Error &e) {
    return e.what();
  }
  const std::string longest = use == FolderUse::kLaunch ? "etmain\\launch.cfg.bak" : "et.exe";
  const size_t length = PluginPathLength(folder, longest);
  if (length > kMaxPluginPath)
    return "the engine folder " + Quoted(folder) +
           " is too long for the plug-in: " + Quoted(folder + longest) + " is " +
           std::to_string(length) + " characters, and it reaches no path over " +
           std::to_string(kMaxPluginPath) + "; move the game to a folder with a shorter path";
  const std::string exe = os::LocalPath(folder + "et.exe");
  std::error_code error;
  if (!fs::exists(fs::symlink_status(exe, error))) {
    std::string why =
        "the engine folder " + Quoted(folder) + " is not usable: no et.exe at " + Quoted(exe);
    if (!os::EndsWithSeparator(folder) && fs::is_directory(os::LocalPath(folder), error))
      why +=
          "; it lacks the trailing '" + std::string(1, os::PathSeparator()) + "' the plug-in needs";
    return why;
  }
  if (const std::string game = GameProblem(exe); !game.empty())
    return "the engine folder " + Quoted(folder) + " is not usable: " + game;
  const std::string etmain = os::LocalPath(folder + "etmain");
  if (use == FolderUse::kLaunch && !fs::is_directory(etmain, error))
    return "the engine folder " + Quoted(folder) + " has no etmain folder for the launch script (" +
           Quoted(etmain) + ")";
  return "";
}

void DiagnoseEngineFolder(const std::string &folder, FolderUse use) {
  if (std::string problem = EngineFolderProblem(folder, use); !problem.empty())
    throw Error(Fault::kEngineFolder, problem);
}

}  // namespace wolfet_host
