// The one layer every file the host keeps goes through: the settings
// file, the kept server list, the kept colour (and, inside the settings
// file, the manifest). Where they live; reads that take only a regular
// file, and no more of it than any real one holds; writes that replace a
// file whole through a temporary of the layer's own; and one lock per
// settings file under which a run reads, changes and writes them, so that
// runs at the same time never lose one another's changes.
#ifndef TOOLS_WOLFET_HOST_HOST_FILES_H
#define TOOLS_WOLFET_HOST_HOST_FILES_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "error.h"
#include "os.h"

namespace wolfet_host {

/* Larger than any such file the host writes, by far: a kept list of the
 * most servers a browse keeps is a few megabytes. */
constexpr size_t kMaxSettingsBytes = 1 << 20;
constexpr size_t kMaxKeptListBytes = 64 << 20;
constexpr size_t kMaxColourBytes = 64;
constexpr size_t kMaxFavouritesBytes = 1 << 20;

/* How long a run waits for another to finish with the files. */
constexpr double kLockWaitSeconds = 10;

struct HostFiles {
  std::string settings;
  std::string servers;                  /* the list `servers` keeps for `join --pick` */
  std::string colour;                   /* the colour from before a launch whose end was not seen */
  std::string favourites;               /* the servers starred and those joined lately */
  std::vector<std::string> own_folders; /* made when a file is first written */
  std::string note;                     /* what to tell the user about where they are */
};

/* Where the files of `settings_option` (--settings; empty: the default)
 * are. By default the settings live in ConfigFolder(), the kept list and
 * colour in StateFolder(); an earlier version's wolfet-host.json in the
 * current folder is still read, and `note` says how to move it. With
 * --settings FILE they lie beside FILE, named FILE.wolfet-host-servers.json,
 * FILE.wolfet-host-colour and FILE.wolfet-host-favourites.json. */
HostFiles LocateHostFiles(const std::string &settings_option);

/* Reads a kept file: its bytes, or nothing when it is missing. `what`
 * names it for the messages ("settings file", "server list"). Throws
 * Error with `refused` when it is not a regular file or is larger than
 * `max_bytes`, with `unreadable` when the system will not read it; the
 * message says what it is and `fix`. */
std::optional<std::string> ReadHostFile(const std::string &path, size_t max_bytes,
                                        const std::string &what, Fault refused, Fault unreadable,
                                        const std::string &fix);

/* Replaces a kept file whole (os::SaveAtomically), making its folder
 * first when it is one of the host's own. Returns why it could not,
 * empty when it did. */
std::string TryWriteHostFile(const HostFiles &files, const std::string &path,
                             const std::string &bytes);

/* The same, throwing Error (kFile) that names `what` at `path`. */
void WriteHostFile(const HostFiles &files, const std::string &path, const std::string &bytes,
                   const std::string &what);

/* Held while a run reads, changes and writes the files of one settings
 * file. Throws Error (kFile) when another run holds them for longer than
 * kLockWaitSeconds, saying which. */
class HostFilesLock {
 public:
  explicit HostFilesLock(const HostFiles &files, double wait_s = kLockWaitSeconds);

 private:
  os::FileLock lock_;
};

}  // namespace wolfet_host

#endif
