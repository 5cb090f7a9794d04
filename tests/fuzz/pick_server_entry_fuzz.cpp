// PickServerEntry over arbitrary server lists and indices.
//
// Input: a 32-bit index (little-endian), then the packed list. The list has
// no count, so the host promises an index that names an entry inside it;
// the target keeps that promise by walking the list on its own first and
// folding an index past the end back onto an entry that is there. Lengths
// over 255 and negative ones are left as they come: the plug-in takes at
// most 255 bytes and reads a negative length as 0, and the expected text
// here follows those choices.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "launch/launch.h"

namespace {

struct Entry {
  size_t offset;  // of its length field
  std::string text;
  bool whole;  // every byte the plug-in will copy lies inside the list
};

std::vector<Entry> Entries(const unsigned char *list, size_t size) {
  std::vector<Entry> entries;
  size_t offset = 0;
  while (size - offset >= 2) {
    const int16_t raw = static_cast<int16_t>(list[offset] | (list[offset + 1] << 8));
    const size_t length = raw < 0 ? 0 : static_cast<size_t>(raw);
    const size_t copied = length > 255 ? 255 : length;
    Entry entry{offset, "", size - offset - 2 >= copied};
    if (entry.whole) entry.text.assign(reinterpret_cast<const char *>(list + offset + 2), copied);
    entries.push_back(entry);
    if (size - offset - 2 < length) break;
    offset += 2 + length;
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  int32_t index;
  std::memcpy(&index, data, sizeof index);
  // The list in a block of exactly its size, so a read past it is caught.
  std::vector<unsigned char> list(data + 4, data + size);
  const std::vector<Entry> entries = Entries(list.data(), list.size());
  if (entries.empty()) return 0;
  if (index >= 0 && static_cast<size_t>(index) >= entries.size())
    index = static_cast<int32_t>(static_cast<size_t>(index) % entries.size());
  const Entry &picked = entries[index < 0 ? 0 : static_cast<size_t>(index)];
  if (!picked.whole) return 0;  // the host promised an entry it did not give

  char buffer[sdll::kServerEntrySize];
  std::memset(buffer, 0x5A, sizeof buffer);
  sdll::PickServerEntry(list.data(), index, buffer);
  FUZZ_CHECK(std::memcmp(buffer, picked.text.data(), picked.text.size()) == 0);
  FUZZ_CHECK(buffer[picked.text.size()] == '\0');
  return 0;
}
