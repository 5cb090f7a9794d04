/*
 * The POSIX stand-in for WideCharToMultiByte(CP_ACP, 0, ...), and the
 * code page its file calls convert paths with (posix_text.h).
 *
 * The host's ANSI code page is Windows-1252 on the systems it ships to, so
 * that is the code page here. Bytes 0x00-0x7F and 0xA0-0xFF are the same
 * code points; 0x80-0x9F hold the typographic block below. Everything
 * else (other scripts, surrogates) becomes the default character '?'. A
 * single-byte code page converts unit by unit, so a surrogate pair gives
 * two '?', as WideCharToMultiByte does.
 *
 * The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map
 * to the C1 controls of the same number (U+0081, U+008D, U+008F, U+0090,
 * U+009D) and back. That is what Windows' own table does, so the stand-in
 * answers as the shipped DLL does; and it keeps every byte: a text the
 * host turned into UTF-16 with the same rule comes back byte for byte,
 * where a '?' or a dropped byte would change a path or a name. The host
 * side keeps one table under the same rule. The plug-in keeps its own
 * copy rather than share the host's: it depends on the standard library
 * and the operating system only.
 */
#include "posix_text.h"

#include <cstddef>
#include <cstdint>

#include "platform.h"

namespace platform {
namespace {

const char16_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char ToWindows1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (const char16_t &high : kHighBlock)
    if (high == unit) return static_cast<char>(0x80 + (&high - kHighBlock));
  return '?';
}

}  // namespace

int WideToAnsi(const char16_t *text, int units, char *out, int capacity) {
  if (text == nullptr || out == nullptr || units <= 0 || capacity <= 0) return 0;
  int written = 0;
  for (int i = 0; i < units; ++i) {
    if (written == capacity) return 0; /* ERROR_INSUFFICIENT_BUFFER */
    out[written++] = ToWindows1252(text[i]);
  }
  return written;
}

namespace posix {
namespace {

void AppendUtf8(char16_t unit, std::string *out) {
  if (unit < 0x80) {
    *out += static_cast<char>(unit);
  } else if (unit < 0x800) {
    *out += static_cast<char>(0xC0 | (unit >> 6));
    *out += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (unit >> 12));
    *out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (unit & 0x3F));
  }
}

/* The code point of the well-formed UTF-8 sequence at `text`, and its
 * length in `length`; 0 for a byte that starts none (a stray continuation,
 * an overlong form, a surrogate, past U+10FFFF, cut short). */
char32_t DecodeUtf8(const unsigned char *text, size_t *length) {
  const unsigned char lead = text[0];
  size_t extra;
  char32_t cp;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    cp = lead & 0x07;
  } else {
    return 0;
  }
  for (size_t k = 1; k <= extra; ++k) {
    if ((text[k] & 0xC0) != 0x80) return 0; /* the NUL ends a cut sequence too */
    cp = (cp << 6) | (text[k] & 0x3F);
  }
  static const char32_t kShortest[4] = {0, 0x80, 0x800, 0x10000};
  if (cp < kShortest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *length = extra + 1;
  return cp;
}

}  // namespace

std::string AnsiToUtf8(const std::string &ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUtf8(byte >= 0x80 && byte < 0xA0 ? kHighBlock[byte - 0x80] : static_cast<char16_t>(byte),
               &out);
  }
  return out;
}

/*
 * What Windows' ANSI calls give for a name on disk: its UTF-16 form unit
 * by unit in the code page, so a character outside the BMP (two units)
 * becomes "??". A POSIX name may also hold bytes that are no UTF-8 at all,
 * which no Windows name can; they count as characters the code page lacks.
 */
std::string Utf8ToAnsi(const char *utf8) {
  std::string out;
  const auto *text = reinterpret_cast<const unsigned char *>(utf8 != nullptr ? utf8 : "");
  while (*text != '\0') {
    size_t length = 1;
    const char32_t cp = *text < 0x80 ? *text : DecodeUtf8(text, &length);
    if (cp == 0)
      out += '?';
    else if (cp >= 0x10000)
      out += "??";
    else
      out += ToWindows1252(static_cast<char16_t>(cp));
    text += length;
  }
  return out;
}

}  // namespace posix
}  // namespace platform
