// The engine folder as the host can judge it from outside the plug-in,
// which itself only says usable or not: what the folder lacks, named with
// the fix. check, verify and the launches all ask here.
#ifndef TOOLS_WOLFET_HOST_ENGINE_FOLDER_H
#define TOOLS_WOLFET_HOST_ENGINE_FOLDER_H

#include <cstddef>
#include <string>

namespace wolfet_host {

/* What the folder must have. A launch also needs etmain/ for the script,
 * and paths the plug-in can reach for the script's backup too. */
enum class FolderUse { kCheck, kLaunch };

/* The plug-in joins a name to the folder in a buffer of MAX_PATH bytes,
 * its NUL included: a longer path it never reaches. */
constexpr size_t kMaxPluginPath = 259;

/* Why `folder` (the setting's text, as the plug-in reads it) cannot serve
 * `use`: not set, a character the plug-in's code page lacks, a path past
 * the plug-in's limit, no et.exe (with the trailing separator it may
 * lack), an et.exe that cannot be run, no etmain/. Empty when the host
 * sees nothing wrong. */
std::string EngineFolderProblem(const std::string &folder, FolderUse use);

/* The same, thrown as Error (kEngineFolder). */
void DiagnoseEngineFolder(const std::string &folder, FolderUse use);

/* How long `folder` + `name` is for the plug-in: a byte a character in
 * its code page. */
size_t PluginPathLength(const std::string &folder, const std::string &name);

}  // namespace wolfet_host

#endif
