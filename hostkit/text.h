/*
 * The host's text conversions: the plug-in speaks Windows-1252 (its schema,
 * its messages) and reads UTF-16 (the settings services); people and files
 * speak UTF-8. One table for every part of the host; the Unicode forms
 * are utfcpp's.
 */
#ifndef HOSTKIT_TEXT_H
#define HOSTKIT_TEXT_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace hostkit {

/* Windows-1252 bytes as UTF-16, one unit per byte. */
std::u16string FromWindows1252(std::string_view text);

/* Windows-1252 bytes as UTF-8. */
std::string Windows1252ToUtf8(std::string_view text);

/* The first character of `text` that Windows-1252 cannot spell (a
 * surrogate pair as the one character it stands for), or none: where the
 * plug-in's conversion to the code page would put its '?'. */
std::optional<char32_t> FirstOutsideWindows1252(std::u16string_view text);

/* True when `text` is well-formed UTF-8: no overlong form, surrogate,
 * code point past U+10FFFF or cut sequence. */
bool IsUtf8(std::string_view text);

/* A text whose sender does not say its encoding, such as a game server's
 * name: well-formed UTF-8 stays as it is (newer servers send that), and
 * anything else reads as Windows-1252 (what the game's own servers send).
 * The whole text is read one way, never a mixture. */
std::string Utf8OrWindows1252ToUtf8(std::string_view text);

/* UTF-8 to UTF-16; each byte that starts no well-formed sequence (an
 * overlong or truncated one, a surrogate, past U+10FFFF) becomes U+FFFD. */
std::u16string Utf8ToUtf16(std::string_view utf8);

/* UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD. */
std::string Utf16ToUtf8(std::u16string_view text);

/* Appends one code point as UTF-8; one that is no character (a surrogate,
 * past U+10FFFF) as U+FFFD. */
void AppendUtf8(char32_t code_point, std::string *out);

/* Bytes as lower-case hex, two digits each (a digest as people read it). */
std::string LowerHex(const unsigned char *bytes, size_t size);

}  // namespace hostkit

#endif
