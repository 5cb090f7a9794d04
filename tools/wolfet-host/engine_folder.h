// The engine folder as the host can judge it from outside the plug-in,
// which itself only says usable or not: what the folder lacks, named with
// the fix. check, verify and the launches all ask here.
#ifndef TOOLS_WOLFET_HOST_ENGINE_FOLDER_H
#define TOOLS_WOLFET_HOST_ENGINE_FOLDER_H

#include <string>

namespace wolfet_host {

/* What the folder must have. A launch also needs etmain/ for the script. */
enum class FolderUse { kCheck, kLaunch };

/* Throws Error (kEngineFolder) naming what keeps `folder` (the setting's
 * text, as the plug-in reads it) from `use`: not set, a character the
 * plug-in's code page lacks, no et.exe (with the trailing separator it
 * may lack), no etmain/. Returns when the host sees nothing wrong. */
void DiagnoseEngineFolder(const std::string &folder, FolderUse use);

}  // namespace wolfet_host

#endif
