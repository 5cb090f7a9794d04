// SDLL_LaunchMultiplayer in-process. The engine folder's et.exe is no
// program, so nothing starts; the script names the player, then the picked
// server or the cut map.
// Input: [0..3] the server index, [4..7] the hosting index (little-endian);
// the map text (a byte per UTF-16 unit) and the player name, each ending in
// a NUL; then to the end the packed server list (16-bit little-endian
// lengths, each followed by its bytes), in a block of exactly its size. An
// empty list is passed as no list (null).
#include <sdll/sdll.h>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

#include "support/files.h"

namespace {

std::string g_script;  // the engine folder's etmain/launch.cfg
std::u16string g_folder;
const char16_t *g_map;

// The engine folder and the map text; "parameters" gets the folder too,
// which the launch reads and drops.
const char16_t *SDLL_STDCALL Text(uint32_t, const char *, const char *key) {
  return std::strcmp(key, "map") == 0 ? g_map : g_folder.c_str();
}

// What the script's text stream makes of the line breaks in a line.
std::string Crlf(std::string text) {
  for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
    text.insert(at, 1, '\r');
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  static const std::string root = MakeScratch();
  if (root.empty()) std::abort();
  const std::string game = MakeEngine(root, "game", "");
  g_folder.assign(game.begin(), game.end());
  g_script = game + "etmain/launch.cfg";
  setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
  atexit([] { std::filesystem::remove_all(root); });
  // The game numbers stay unset and read as 0.
  SDLL_InitCall(2, reinterpret_cast<SdllService>(&Text));  // the engine's
  SDLL_InitCall(7, reinterpret_cast<SdllService>(&Text));  // and the game's texts
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  int32_t index[2] = {};  // the server and the hosting index
  size_t at = std::min(size, sizeof index);
  std::memcpy(index, data, at);
  std::string fields[2];  // the map text and the player name
  for (std::string &field : fields)
    while (at < size && data[at++] != '\0') field += static_cast<char>(data[at - 1]);
  const std::vector<unsigned char> list(data + at, data + size);
  std::vector<char16_t> map(fields[0].size() + 1);  // with its terminator, and no room past it
  for (size_t i = 0; i < fields[0].size(); ++i) map[i] = static_cast<unsigned char>(fields[0][i]);
  g_map = map.data();

  // The host promises an index that names an entry inside the list: fold
  // the fuzzed one onto the entries whose copy stays inside it. A length
  // over 255 gives its first 255 bytes; a negative one reads as 0.
  std::vector<std::string> entries;
  for (size_t entry = 0; entry + 2 <= list.size();) {
    const auto length = static_cast<int16_t>(list[entry] | list[entry + 1] << 8);
    const auto kept = static_cast<size_t>(std::clamp<int>(length, 0, 255));
    if (entry + 2 + kept > list.size()) break;
    entries.emplace_back(reinterpret_cast<const char *>(list.data()) + entry + 2, kept);
    entry += 2 + static_cast<size_t>(std::max<int>(length, 0));
  }
  const bool hosting = index[0] == index[1], joined = !hosting && !list.empty();
  if (joined && entries.empty()) return 0;
  if (joined && index[0] >= 0) index[0] = static_cast<int32_t>(index[0] % entries.size());
  if (!hosting && index[0] == index[1]) return 0;  // folded onto the hosting index

  SDLL_LaunchMultiplayer(0x4000, index[0], index[1], 0, list.empty() ? nullptr : list.data(),
                         fields[1].c_str());
  // The name line first; last the entry up to a NUL in it, or the map's name:
  // the text before its first space, else before its first '-', else all.
  const std::string written = ReadFile(g_script), &text = fields[0];
  const size_t space = text.find(' '), cut = space != std::string::npos ? space : text.find('-');
  const std::string last =
      hosting
          ? "map " + text.substr(0, cut)
          : "connect " + std::string(list.empty() ? "" : entries[std::max(index[0], 0)].c_str());
  const std::string head = Crlf("name " + fields[1] + "\n"), tail = Crlf("\n" + last + "\n");
  // Windows-1252 moves most of 0x80-0x9F, which would change a map name.
  const bool moved = hosting && std::any_of(text.begin(), text.end(),
                                            [](unsigned char c) { return c >= 0x80 && c < 0xA0; });
  assert(written.compare(0, head.size(), head) == 0 &&
         (moved || (written.size() >= tail.size() &&
                    written.compare(written.size() - tail.size(), tail.size(), tail) == 0)));
  return 0;
}
