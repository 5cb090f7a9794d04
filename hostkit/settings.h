/*
 * The host's settings store: one value per (page, section, key), as text
 * (UTF-16, what HostGet*String return) and as an integer (what
 * HostGetGameInteger returns). A value that was never set and has no
 * default is absent: its text service answers null and its integer 0.
 */
#ifndef HOSTKIT_SETTINGS_H
#define HOSTKIT_SETTINGS_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace hostkit {

enum class Page { kEngine, kMultiplayer };

struct SettingKey {
  Page page;
  std::string section;
  std::string key;
  bool operator<(const SettingKey &o) const {
    return std::tie(page, section, key) < std::tie(o.page, o.section, o.key);
  }
};

struct SettingValue {
  std::u16string text;
  int32_t integer = 0;
};

class Settings {
 public:
  /* Sets both views: the text as given, the integer parsed from it when it
   * is a decimal number (else 0). */
  void Set(Page page, const std::string &section, const std::string &key,
           const std::u16string &text);
  void SetUtf8(Page page, const std::string &section, const std::string &key,
               const std::string &utf8) {
    Set(page, section, key, FromUtf8(utf8));
  }
  void SetInteger(Page page, const std::string &section, const std::string &key, int32_t value);
  void Erase(Page page, const std::string &section, const std::string &key);
  void Clear() { values_.clear(); }

  const SettingValue *Find(Page page, const std::string &section, const std::string &key) const;
  const std::map<SettingKey, SettingValue> &all() const { return values_; }

  /* The conversions of text.h, for those that hold a Settings. */
  static std::u16string FromUtf8(const std::string &utf8);
  static std::string ToUtf8(const std::u16string &text);

 private:
  std::map<SettingKey, SettingValue> values_;
};

}  // namespace hostkit

#endif
