#include "file_exists.h"

#include <string>

#include "../platform/platform.h"

namespace sdll {

bool FileExists(const char *path) { return platform::PathMatchesEntry(path); }

/*
 * BackupFile: the file is tested first, and the old backup is tested and
 * deleted only when there is a file to move into its place; the delete
 * comes before the move because the move never replaces its target.
 * Neither result is looked at: if the old backup cannot go, the move fails
 * too and the caller overwrites the file in place.
 */
void BackupFile(const char *path) {
  if (path == nullptr) return; /* no file named: nothing to move aside */
  const std::string backup = std::string(path) + ".bak";
  if (!FileExists(path)) return;
  if (FileExists(backup.c_str())) platform::DeleteFilePath(backup.c_str());
  platform::MovePath(path, backup.c_str());
}

}  // namespace sdll
