// The host's own file: the values of the plug-in's settings (by page,
// group and setting, as the user set them), the content flags of the last
// engine check and the verification manifest. JSON, so a person can read
// and mend it; keys this version does not know are kept on save.
#ifndef TOOLS_HOST_SETTINGS_FILE_H
#define TOOLS_HOST_SETTINGS_FILE_H

#include <cstdint>
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace wolfet_host {

struct StoredValue {
  std::string page, group, setting, value;
};

/* What `verify --record` saw of one file. */
struct ManifestEntry {
  uint64_t size = 0;
  std::string sha256;
};

class SettingsFile {
 public:
  SettingsFile();
  ~SettingsFile();
  SettingsFile(SettingsFile &&) noexcept;
  SettingsFile &operator=(SettingsFile &&) noexcept;

  /* Reads `path`; a missing file is an empty store. Throws CommandError
   * (bad argument) naming the file when it holds no valid JSON object. */
  static SettingsFile Load(const std::string &path);

  /* Writes to a temporary file beside `path` and renames it into place,
   * so an interrupted save never leaves half a file. Throws CommandError
   * naming the file on failure. */
  void Save() const;

  const std::string &path() const { return path_; }

  std::optional<std::string> Value(const std::string &page, const std::string &group,
                                   const std::string &setting) const;
  void SetValue(const std::string &page, const std::string &group, const std::string &setting,
                const std::string &value);
  std::vector<StoredValue> Values() const;

  /* The content flags of the last check, when there was one. */
  std::optional<uint32_t> ContentFlags() const;
  void SetContentFlags(uint32_t flags);

  /* Keyed by the file's full path. */
  std::map<std::string, ManifestEntry> Manifest() const;
  void SetManifest(const std::map<std::string, ManifestEntry> &manifest);

 private:
  std::string path_;
  /* Held by pointer so that only this file's source pays for the JSON
   * library's header, which is slow to compile. */
  std::unique_ptr<nlohmann::json> json_;
};

}  // namespace wolfet_host

#endif
