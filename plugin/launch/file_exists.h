/*
 * FileExists and BackupFile: the existence test that the engine check and
 * the launch share, and the one-generation backup of the launch script.
 */
#ifndef SDLL_LAUNCH_FILE_EXISTS_H
#define SDLL_LAUNCH_FILE_EXISTS_H

namespace sdll {

/* True when a directory search for `path` finds an entry, file or folder
 * alike; wildcards in it act as wildcards. Nothing of the entry is read. */
bool FileExists(const char *path);

/* Moves `path` aside to `path` + ".bak", replacing an older backup, when
 * `path` exists; otherwise leaves everything as it is. Reports nothing. */
void BackupFile(const char *path);

}  // namespace sdll

#endif
