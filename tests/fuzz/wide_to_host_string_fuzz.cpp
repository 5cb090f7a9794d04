// WideToHostString over arbitrary UTF-16 (surrogates, code points
// outside Windows-1252, the C1 holes), and the converter under it with a
// fuzzed output capacity.
//
// Input: the first byte picks the capacity for the direct conversion; the
// rest is UTF-16LE, ending at its first zero unit or at the end.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/host_string.h"
#include "platform/platform.h"

namespace {

bool Surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const size_t capacity_seed = data[0];
  std::u16string text;
  for (size_t i = 1; i + 1 < size; i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) break;
    text += unit;
  }
  const std::u16string original = text;

  // A single-byte code page converts unit by unit: one byte each, a
  // surrogate (paired or not) becoming the default character.
  const size_t characters = text.size();

  sdll::HostString host = sdll::WideToHostString(text.c_str());
  FUZZ_CHECK(host != nullptr);
  FUZZ_CHECK(platform::TaskSize(host) == 2 * (text.size() + 1));
  FUZZ_CHECK(std::strlen(host) == characters);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < 0x80) FUZZ_CHECK(host[i] == static_cast<char>(text[i]));
    if (Surrogate(text[i])) FUZZ_CHECK(host[i] == '?');
  }
  sdll::FreeHostString(host);
  FUZZ_CHECK(text == original);

  // The converter itself: all or nothing, never past the capacity it is
  // given (a block of exactly that size).
  const int units = static_cast<int>(text.size() + 1);
  const int capacity = static_cast<int>(capacity_seed % (characters + 3));
  std::vector<char> out(static_cast<size_t>(capacity) + (capacity == 0 ? 1 : 0));
  const int written = platform::WideToAnsi(text.c_str(), units, out.data(), capacity);
  if (capacity == 0 || static_cast<size_t>(capacity) < characters + 1)
    FUZZ_CHECK(written == 0);
  else
    FUZZ_CHECK(static_cast<size_t>(written) == characters + 1 && out[characters] == '\0');
  return 0;
}
