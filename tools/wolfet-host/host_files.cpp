#include "host_files.h"

#include <filesystem>

namespace wolfet_host {
namespace {

namespace fs = std::filesystem;

/* The settings file of earlier versions, read from the current folder. */
constexpr char kLegacySettings[] = "wolfet-host.json";

bool Exists(const std::string &path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

/* The lock lies beside the file a link names, so that a run through the
 * link and one through the file share it; hidden, and named so that no
 * one takes it for a file of theirs. */
std::string LockPath(const std::string &settings) {
  std::error_code error;
  fs::path target = fs::weakly_canonical(fs::absolute(settings, error), error);
  if (error || target.empty()) target = settings;
  return (target.parent_path() / ("." + target.filename().string() + ".wolfet-host-lock")).string();
}

}  // namespace

HostFiles LocateHostFiles(const std::string &settings_option) {
  HostFiles files;
  const std::string config = os::ConfigFolder(), state = os::StateFolder();
  const std::string settings = config + os::PathSeparator() + "settings.json";
  if (settings_option.empty() && !config.empty() && !state.empty() &&
      !(Exists(kLegacySettings) && !Exists(settings))) {
    files.settings = settings;
    files.servers = state + os::PathSeparator() + "servers.json";
    files.colour = state + os::PathSeparator() + "colour";
    files.favourites = state + os::PathSeparator() + "favourites.json";
    files.own_folders = {config, state};
    if (Exists(kLegacySettings))
      files.note = std::string(kLegacySettings) +
                   " in this folder is an earlier version's settings file; it is left as it is "
                   "and not read, since " +
                   settings + " is there (give --settings " + kLegacySettings + " to use it)";
    return files;
  }
  files.settings = settings_option.empty() ? kLegacySettings : settings_option;
  files.servers = files.settings + ".wolfet-host-servers.json";
  files.colour = files.settings + ".wolfet-host-colour";
  files.favourites = files.settings + ".wolfet-host-favourites.json";
  if (settings_option.empty() && Exists(kLegacySettings) && !config.empty())
    files.note = std::string("reading ") + kLegacySettings +
                 " in this folder, as earlier versions did; to use it from any folder, move it: "
                 "mkdir -p '" +
                 config + "' && mv " + kLegacySettings + " '" + settings + "'";
  return files;
}

std::optional<std::string> ReadHostFile(const std::string &path, size_t max_bytes,
                                        const std::string &what, Fault refused, Fault unreadable,
                                        const std::string &fix) {
  os::FileRead read = os::ReadRegularFile(path, max_bytes);
  switch (read.state) {
    case os::FileRead::kRead:
      return std::move(read.bytes);
    case os::FileRead::kMissing:
      return std::nullopt;
    case os::FileRead::kNotRegular:
      throw Error(refused, what + " " + path + " is " + read.why +
                               ", not a regular file; it is left as it is: " + fix);
    case os::FileRead::kTooLarge:
      throw Error(refused, what + " " + path + " is larger than any the host writes (over " +
                               std::to_string(max_bytes) + " bytes); it is left as it is: " + fix);
    case os::FileRead::kUnreadable:
      break;
  }
  throw Error(unreadable, "cannot read " + what + " " + path + " (" + read.why +
                              "); it is left as it is: " + fix);
}

std::string TryWriteHostFile(const HostFiles &files, const std::string &path,
                             const std::string &bytes) {
  for (const std::string &folder : files.own_folders)
    if (fs::path(path).parent_path() == fs::path(folder)) {
      std::error_code error;
      fs::create_directories(folder, error);
    }
  std::string why;
  return os::SaveAtomically(path, bytes, &why) == os::Saved::kYes ? "" : why;
}

void WriteHostFile(const HostFiles &files, const std::string &path, const std::string &bytes,
                   const std::string &what) {
  const std::string why = TryWriteHostFile(files, path, bytes);
  if (!why.empty())
    throw Error(Fault::kFile,
                "cannot write " + what + " " + path + " (" + why + "); it is left as it was");
}

HostFilesLock::HostFilesLock(const HostFiles &files, double wait_s) {
  for (const std::string &folder : files.own_folders) {
    std::error_code error;
    fs::create_directories(folder, error);
  }
  const std::string path = LockPath(files.settings);
  std::string holder, why;
  const std::string me = "wolfet-host, process " + std::to_string(os::ProcessId());
  if (lock_.Acquire(path, wait_s, me, &holder, &why)) return;
  if (!why.empty())
    throw Error(Fault::kFile, "cannot lock " + path + " (" + why + ") to change " + files.settings +
                                  "; nothing was changed");
  throw Error(Fault::kFile, files.settings + " is being changed by " +
                                (holder.empty() ? std::string("another run") : holder) +
                                ", which holds " + path + "; waited " +
                                std::to_string(static_cast<int>(wait_s)) +
                                " s: try again once it is done; nothing was changed");
}

}  // namespace wolfet_host
