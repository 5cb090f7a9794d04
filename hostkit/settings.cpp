#include "settings.h"

#include <cstdint>
#include <cstdlib>

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

/* UTF-8 to UTF-16; a malformed sequence becomes U+FFFD. */
std::u16string Settings::FromUtf8(const std::string &utf8) {
  std::u16string out;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp;
    size_t extra;
    if (c < 0x80) {
      cp = c;
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    bool ok = true;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

/* UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD. */
std::string Settings::ToUtf8(const std::u16string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace hostkit
