// WideToHostString over arbitrary UTF-16 (surrogates, characters outside
// Windows-1252, the C1 holes), and the converter under it with a fuzzed
// capacity. Input: the first byte picks the capacity; the rest is UTF-16LE
// up to its first zero unit.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/host_string.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  std::u16string text;
  for (size_t i = 1; i + 1 < size && (data[i] | data[i + 1]) != 0; i += 2)
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  const std::u16string original = text;
  // One byte per unit: ASCII as it is, a surrogate (paired or not) as '?'.
  sdll::HostString host = sdll::WideToHostString(text.c_str());
  FUZZ_CHECK(host != nullptr && platform::TaskSize(host) == 2 * (text.size() + 1));
  FUZZ_CHECK(std::strlen(host) == text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < 0x80) FUZZ_CHECK(host[i] == static_cast<char>(text[i]));
    if (text[i] >= 0xD800 && text[i] <= 0xDFFF) FUZZ_CHECK(host[i] == '?');
  }
  sdll::FreeHostString(host);
  FUZZ_CHECK(text == original);
  // The converter: all or nothing, never past a capacity of exactly that size.
  const int capacity = static_cast<int>(data[0] % (text.size() + 3));
  std::vector<char> out(static_cast<size_t>(capacity) + (capacity == 0 ? 1 : 0));
  const int written =
      platform::WideToAnsi(text.c_str(), static_cast<int>(text.size() + 1), out.data(), capacity);
  if (static_cast<size_t>(capacity) < text.size() + 1)
    FUZZ_CHECK(written == 0);
  else
    FUZZ_CHECK(static_cast<size_t>(written) == text.size() + 1 && out[text.size()] == '\0');
  return 0;
}
