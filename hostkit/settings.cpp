#include "settings.h"

#include <cstdint>
#include <cstdlib>

#include "text.h"

namespace hostkit {

namespace {

/* A decimal integer, with an optional sign, and nothing else; else 0. */
int32_t ParseInteger(const std::u16string &text) {
  if (text.empty() || text.size() > 11) return 0;
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) return 0;
    ascii += static_cast<char>(c);
  }
  char *end = nullptr;
  long long value = std::strtoll(ascii.c_str(), &end, 10);
  if (*end != '\0' || value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<int32_t>(value);
}

}  // namespace

void Settings::Set(Page page, const std::string &section, const std::string &key,
                   const std::u16string &text) {
  SettingValue &value = values_[SettingKey{page, section, key}];
  value.text = text;
  value.integer = ParseInteger(text);
}

void Settings::SetInteger(Page page, const std::string &section, const std::string &key,
                          int32_t integer) {
  SettingValue &value = values_[SettingKey{page, section, key}];
  value.integer = integer;
  value.text = FromUtf8(std::to_string(integer));
}

void Settings::Erase(Page page, const std::string &section, const std::string &key) {
  values_.erase(SettingKey{page, section, key});
}

const SettingValue *Settings::Find(Page page, const std::string &section,
                                   const std::string &key) const {
  auto it = values_.find(SettingKey{page, section, key});
  return it == values_.end() ? nullptr : &it->second;
}

std::u16string Settings::FromUtf8(const std::string &utf8) { return Utf8ToUtf16(utf8); }

std::string Settings::ToUtf8(const std::u16string &text) { return Utf16ToUtf8(text); }

}  // namespace hostkit
