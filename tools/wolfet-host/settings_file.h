// The host's own file: the values of the plug-in's settings (by page,
// group and setting, as the user set them), the last engine check and the
// verification manifest. JSON, so a person can read and mend it; since a
// person may, every key and type is checked on reading, and a file that
// does not read as this file is refused rather than replaced.
#ifndef TOOLS_HOST_SETTINGS_FILE_H
#define TOOLS_HOST_SETTINGS_FILE_H

#include <cstdint>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "host_files.h"

namespace wolfet_host {

/* Deeper than any file the host writes (the kept server list, the
 * deepest, has three levels), low enough that no reader of the parsed
 * value can exhaust the stack. */
constexpr size_t kMaxJsonDepth = 16;

/* Parses one of the host's JSON files into `out`, refusing, before any
 * value is built, nesting deeper than kMaxJsonDepth and an object that
 * names a key twice (the parser would keep only the last, and the next
 * save would drop the first without a word). Returns why it does not
 * read as JSON; empty when it does. */
std::string ParseHostJson(const std::string &text, nlohmann::json *out);

struct StoredValue {
  enum Kind { kText, kNumber, kBoolean };
  std::string page, group, setting, value;
  Kind kind = kText; /* as written in the file, before it became text */
};

/* What `verify --record` saw of one file. */
struct ManifestEntry {
  uint64_t size = 0;
  std::string sha256;
};

/* The last `check`: its content flags and the folder they are true for. */
struct LastCheck {
  uint32_t content_flags = 0;
  std::optional<std::string> folder; /* absent in files of older hosts */
  bool usable = false;
};

class SettingsFile {
 public:
  SettingsFile();
  ~SettingsFile();
  SettingsFile(SettingsFile &&) noexcept;
  SettingsFile &operator=(SettingsFile &&) noexcept;

  /* Reads the settings file of `files`; a missing file is an empty store.
   * Throws Error (kBadInput) naming the file, and the key where there is
   * one, when it cannot be read or holds anything but what this file
   * holds. */
  static SettingsFile Load(const HostFiles &files);

  /* Writes the changes made since the last load or save into the file as
   * it is now, under the files' lock: what another run saved meanwhile
   * stays. The file is replaced whole (the one a symbolic link names,
   * keeping its mode) or not at all. Throws Error naming the file. */
  void Save();

  const HostFiles &files() const { return files_; }
  const std::string &path() const { return files_.settings; }

  std::optional<std::string> Value(const std::string &page, const std::string &group,
                                   const std::string &setting) const;
  void SetValue(const std::string &page, const std::string &group, const std::string &setting,
                const std::string &value);
  std::vector<StoredValue> Values() const;
  /* Counts the changes of the values, so that what was handed to the
   * plug-in is handed again only when one changed. */
  unsigned generation() const { return generation_; }

  std::optional<LastCheck> Check() const;
  void SetCheck(const LastCheck &check);
  /* The content flags of the last check, when there was one. */
  std::optional<uint32_t> ContentFlags() const;

  /* Keyed by the file's full path. */
  std::map<std::string, ManifestEntry> Manifest() const;
  void SetManifest(const std::map<std::string, ManifestEntry> &manifest);

 private:
  /* Sets `where` (keys from the top) here and for the next save. */
  void Record(std::vector<std::string> where, const nlohmann::json &value);

  HostFiles files_;
  unsigned generation_ = 0;
  /* Held by pointer so that only this file's source pays for the JSON
   * library's header, which is slow to compile. */
  std::unique_ptr<nlohmann::json> json_;
  std::vector<std::pair<std::vector<std::string>, nlohmann::json>> pending_;
};

}  // namespace wolfet_host

#endif
