// PickServerEntry over arbitrary server lists and indices. Input: a 32-bit
// little-endian index, then the packed list, in a block of exactly its
// size. The host promises an index naming an entry inside the list: the
// target walks the list first and folds an index past its end onto it.
// Lengths over 255 give their first 255 bytes, negative ones read as 0.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "launch/launch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  int32_t index;
  std::memcpy(&index, data, sizeof index);
  const std::vector<unsigned char> list(data + 4, data + size);
  std::vector<size_t> entries;  // offsets of the length fields the copy stays inside
  for (size_t at = 0; list.size() - at >= 2;) {
    const int16_t raw = static_cast<int16_t>(list[at] | (list[at + 1] << 8));
    const size_t length = raw < 0 ? 0 : static_cast<size_t>(raw);
    if (list.size() - at - 2 < (length > 255 ? 255 : length)) break;
    entries.push_back(at);
    at += 2 + length;
    if (at > list.size()) break;
  }
  if (entries.empty()) return 0;
  if (index >= 0) index = static_cast<int32_t>(static_cast<size_t>(index) % entries.size());
  const size_t at = entries[index < 0 ? 0 : static_cast<size_t>(index)];
  const int16_t raw = static_cast<int16_t>(list[at] | (list[at + 1] << 8));
  const size_t copied = raw < 0 ? 0 : raw > 255 ? 255 : static_cast<size_t>(raw);
  char buffer[sdll::kServerEntrySize];
  std::memset(buffer, 0x5A, sizeof buffer);
  sdll::PickServerEntry(list.data(), index, buffer);
  FUZZ_CHECK(std::memcmp(buffer, list.data() + at + 2, copied) == 0 && buffer[copied] == '\0');
  return 0;
}
