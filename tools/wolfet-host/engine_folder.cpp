#include "engine_folder.h"

#include <filesystem>

#include "error.h"
#include "os.h"
#include "validate.h"

namespace wolfet_host {

void DiagnoseEngineFolder(const std::string &folder, FolderUse use) {
  if (folder.empty())
    throw Error(Fault::kEngineFolder, "the engine folder (engine general enginepath) is not set; " +
                                          SetEngineFolderHint());
  RejectFolderOutsideAnsi("the engine folder", folder, Fault::kEngineFolder);
  const std::string exe = os::LocalPath(folder + "et.exe");
  std::error_code error;
  if (!std::filesystem::exists(exe, error)) {
    std::string why =
        "the engine folder \"" + folder + "\" is not usable: no et.exe at \"" + exe + "\"";
    if (!os::EndsWithSeparator(folder) &&
        std::filesystem::is_directory(os::LocalPath(folder), error))
      why +=
          "; it lacks the trailing '" + std::string(1, os::PathSeparator()) + "' the plug-in needs";
    throw Error(Fault::kEngineFolder, why);
  }
  const std::string etmain = os::LocalPath(folder + "etmain");
  if (use == FolderUse::kLaunch && !std::filesystem::is_directory(etmain, error))
    throw Error(Fault::kEngineFolder, "the engine folder \"" + folder +
                                          "\" has no etmain folder for the launch script (\"" +
                                          etmain + "\")");
}

}  // namespace wolfet_host
