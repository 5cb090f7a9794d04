// The host kit's text conversions (hostkit/text.h) against their promises,
// over any bytes read as UTF-8 and as Windows-1252, and over the same bytes
// read as UTF-16LE units.
#include <cassert>
#include <cstdint>
#include <string>

#include "text.h"

using namespace hostkit;  // NOLINT(google-build-using-namespace)

namespace {

// Whether a well-formed character starts at text[at]: then at most four
// bytes from there are well-formed UTF-8.
bool CharacterStarts(std::string_view text, size_t at) {
  for (size_t n = 1; n <= 4 && at + n <= text.size(); ++n)
    if (IsUtf8(text.substr(at, n))) return true;
  return false;
}

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char *>(data), size);
  // UTF-8 to UTF-16 and back: the bytes as they were when they are UTF-8;
  // else each character as it was and each byte that starts none as U+FFFD.
  const std::string back = Utf16ToUtf8(Utf8ToUtf16(bytes));
  assert(IsUtf8(back) && (back == bytes) == IsUtf8(bytes));
  size_t at = 0;
  for (size_t i = 0, n; i < back.size(); i += n) {
    const auto lead = static_cast<unsigned char>(back[i]);
    n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string_view character = std::string_view(back).substr(i, n);
    const bool same = bytes.substr(at, n) == character;
    assert(same || (character == "\uFFFD" && at < size && !CharacterStarts(bytes, at)));
    at += same ? n : 1;
  }
  assert(at == size);

  // UTF-16 to UTF-8 and back: each unit as it was, a lone surrogate as U+FFFD.
  std::u16string units;
  for (size_t i = 0; i + 1 < size; i += 2)
    units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  const std::u16string again = Utf8ToUtf16(Utf16ToUtf8(units));
  assert(again.size() == units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const bool paired = (IsHigh(units[i]) && i + 1 < units.size() && IsLow(units[i + 1])) ||
                        (IsLow(units[i]) && i > 0 && IsHigh(units[i - 1]));
    assert(again[i] == (IsHigh(units[i]) || IsLow(units[i])) && !paired ? u'\uFFFD' : units[i]);
  }

  // Windows-1252: a unit per byte, each one the code page spells, the same
  // text as UTF-8; a text of unknown encoding read as one or the other.
  const std::u16string cp1252 = FromWindows1252(bytes);
  assert(cp1252.size() == size && !FirstOutsideWindows1252(cp1252) &&
         Windows1252ToUtf8(bytes) == Utf16ToUtf8(cp1252));
  const std::string shown = Utf8OrWindows1252ToUtf8(bytes);
  assert(shown == (IsUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes)));
  // The first unit no byte of the code page becomes, a pair as its character.
  static const std::u16string spelt = [] {
    std::string all(256, '\0');
    for (size_t b = 0; b < all.size(); ++b) all[b] = static_cast<char>(b);
    return FromWindows1252(all);
  }();
  const size_t first = units.find_first_not_of(spelt);
  const std::optional<char32_t> outside = FirstOutsideWindows1252(units);
  assert(outside.has_value() == (first != std::u16string::npos));
  if (!outside) return 0;
  std::string character;
  AppendUtf8(*outside, &character);
  const bool pair = IsHigh(units[first]) && first + 1 < units.size() && IsLow(units[first + 1]);
  assert(IsUtf8(character) &&
         (pair ? character == Utf16ToUtf8(units.substr(first, 2)) : *outside == units[first]));
  return 0;
}
