// WideToHostString over arbitrary UTF-16 (surrogates, characters outside
// Windows-1252, the C1 holes), and the converter under it with a fuzzed
// capacity. Input: the first byte picks the capacity; the rest is UTF-16LE
// up to its first zero unit.
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/host_string.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  std::u16string units;
  for (size_t i = 1; i + 1 < size && (data[i] | data[i + 1]) != 0; i += 2)
    units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  // The host's text in a block of exactly its size, terminator included, so
  // that a read past the terminator is caught.
  const std::vector<char16_t> text(units.c_str(), units.c_str() + units.size() + 1);
  const size_t n = units.size();
  // One byte per unit: ASCII as it is, a surrogate (paired or not) as '?'.
  sdll::HostString host = sdll::WideToHostString(text.data());
  assert(host != nullptr && std::strlen(host) == n);
  for (size_t i = 0; i < n; ++i)
    assert(units[i] < 0x80 ? host[i] == static_cast<char>(units[i])
                           : (units[i] & 0xF800) != 0xD800 || host[i] == '?');
  sdll::FreeHostString(host);
  // The converter: all or nothing, never past a capacity of exactly that size.
  const int capacity = static_cast<int>(data[0] % (n + 3));
  std::vector<char> out(static_cast<size_t>(capacity));
  const int written =
      platform::WideToAnsi(text.data(), static_cast<int>(n + 1), out.data(), capacity);
  assert(static_cast<size_t>(capacity) < n + 1
             ? written == 0
             : static_cast<size_t>(written) == n + 1 && out[n] == '\0');
  return 0;
}
