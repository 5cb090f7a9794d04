#include "file_exists.h"

#include "../platform/platform.h"
#include "path.h"

namespace sdll {

bool FileExists(const char *path) { return platform::PathMatchesEntry(path); }

/*
 * BackupFile: the file is tested first, and the old backup is tested and
 * deleted only when there is a file to move into its place; the delete
 * comes before the move because the move never replaces its target.
 * Neither result is looked at: if the old backup cannot go, the move fails
 * too and the caller overwrites the file in place.
 *
 * A path too long to take ".bak" within MAX_PATH gets no backup: the move
 * to that name would fail as well, so the file stays and is overwritten,
 * as when the move fails, and an older backup stays untouched.
 */
void BackupFile(const char *path) {
  if (path == nullptr) return; /* no file named: nothing to move aside */
  PathBuffer backup;
  if (!JoinPath(backup, path, ".bak")) return;
  if (!FileExists(path)) return;
  if (FileExists(backup)) platform::DeleteFilePath(backup);
  platform::MovePath(path, backup);
}

}  // namespace sdll
