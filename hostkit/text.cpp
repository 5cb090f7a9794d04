#include "text.h"

#include <utf8cpp/utf8.h>

#include <algorithm>
#include <iterator>

namespace hostkit {
namespace {

/* Windows-1252's 0x80-0x9F block. The code page leaves 0x81, 0x8D, 0x8F,
 * 0x90 and 0x9D undefined; Windows' own converter maps each to the C1
 * control of the same number and back, so that every byte survives a round
 * trip, and the host does as the launcher's system does. How a control
 * character is shown is the display's business, not this table's. (The
 * plug-in keeps its own copy in plugin/platform/posix_text.cpp, since it
 * depends on nothing of the host's.) */
constexpr char16_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t FromByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 && byte < 0xA0 ? kHighBlock[byte - 0x80] : static_cast<char16_t>(byte);
}

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

/* The character that starts at text[i]: a surrogate pair as the one it
 * stands for, anything else (a lone surrogate too) as its unit. */
char32_t CharacterAt(std::u16string_view text, size_t i) {
  const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                    text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
  if (!pair) return text[i];
  const std::string utf8 = utf8::utf16to8(text.substr(i, 2));
  return utf8::peek_next(utf8.begin(), utf8.end());
}

}  // namespace

std::u16string FromWindows1252(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += FromByte(c);
  return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
  return utf8::utf16to8(FromWindows1252(text));
}

std::optional<char32_t> FirstOutsideWindows1252(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) continue;
    bool spelt = false;
    for (char16_t high : kHighBlock) spelt = spelt || high == unit;
    if (!spelt) return CharacterAt(text, i);
  }
  return std::nullopt;
}

bool IsUtf8(std::string_view text) { return utf8::is_valid(text); }

std::string Utf8OrWindows1252ToUtf8(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}

void AppendUtf8(char32_t cp, std::string *out) {
  utf8::append(cp > 0x10FFFF || IsSurrogate(cp) ? kReplacement : cp, std::back_inserter(*out));
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  /* The library's own replacement takes a bad sequence together with the
   * continuation bytes after it; here each byte counts on its own. */
  std::u16string out;
  while (true) {
    const size_t bad = std::min(utf8::find_invalid(utf8), utf8.size());
    utf8::utf8to16(utf8.begin(), utf8.begin() + bad, std::back_inserter(out));
    if (bad == utf8.size()) return out;
    out += static_cast<char16_t>(kReplacement);
    utf8.remove_prefix(bad + 1);
  }
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char32_t cp = CharacterAt(text, i);
    AppendUtf8(cp, &out);  // a lone surrogate as U+FFFD
    i += cp > 0xFFFF ? 1 : 0;
  }
  return out;
}

std::string LowerHex(const unsigned char *bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 0xF];
  }
  return hex;
}

}  // namespace hostkit
