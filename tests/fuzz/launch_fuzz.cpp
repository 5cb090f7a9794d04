// SDLL_LaunchMultiplayer in-process, with fuzzed settings, player names and
// server lists, then the poll. The engine folder's et.exe is no program, so
// nothing starts and the poll answers 1 at once; the one-generation backup
// keeps what was there, and the script names the player and the picked
// server or the cut map.
//
// Input: [0] the folder form (0 none, 1 the empty text: the current folder,
// 2 with '/', 3 with one '\') plus flags: 4 no player name, 8 no map text,
// 16 an earlier script, 32 an earlier backup, 64 no server list; [1..4] the
// server index, [5..8] the hosting index, [9] "type", [10] "allowdownload";
// then the map and the player name, each ending in a NUL, then the packed
// server list (16-bit little-endian lengths, each followed by its bytes) to
// the end of the input, in a block of exactly its size.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "fuzz_check.h"
#include "host/sdll.h"
#include "settings.h"
#include "support/files.h"

namespace {

std::string g_game;  // the engine folder, with its '/'
const char16_t *g_folder, *g_map;
int32_t g_type = 0, g_download = 0;

const char16_t *SDLL_STDCALL EngineString(uint32_t, const char *, const char *key) {
  return std::strcmp(key, "enginepath") == 0 ? g_folder : nullptr;
}
int32_t SDLL_STDCALL GameInteger(uint32_t, const char *, const char *key) {
  return std::strcmp(key, "type") == 0 ? g_type : g_download;
}
const char16_t *SDLL_STDCALL GameString(uint32_t, const char *, const char *) { return g_map; }
void SDLL_STDCALL Unexpected() { std::abort(); }  // the launch calls no other service

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  static const std::string root = MakeScratch();
  if (root.empty()) std::abort();
  g_game = MakeEngine(root, "game", "");
  if (chdir(g_game.c_str()) != 0) std::abort();  // where no folder points
  setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
  atexit([] { std::filesystem::remove_all(root); });
  for (uint32_t slot = 0; slot < 25; ++slot)
    SDLL_InitCall(slot, reinterpret_cast<SdllService>(&Unexpected));
  SDLL_InitCall(2, reinterpret_cast<SdllService>(&EngineString));
  SDLL_InitCall(6, reinterpret_cast<SdllService>(&GameInteger));
  SDLL_InitCall(7, reinterpret_cast<SdllService>(&GameString));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  uint8_t h[11] = {};
  const size_t head = std::min(size, sizeof h);
  std::memcpy(h, data, head);
  std::string fields[2];
  size_t at = head;
  for (std::string &field : fields)
    for (; at < size && data[at++] != '\0';) field += static_cast<char>(data[at - 1]);
  const std::vector<unsigned char> list(data + at, data + size);
  const unsigned flags = h[0];
  int32_t server_index, hosting_index;
  std::memcpy(&server_index, h + 1, 4);
  std::memcpy(&hosting_index, h + 5, 4);
  g_type = static_cast<int8_t>(h[9]);
  g_download = h[10] % 4;
  const std::string forms[] = {"", "", g_game,
                               std::string(g_game).replace(g_game.size() - 6, 1, "\\")};
  const std::u16string folder = hostkit::Settings::FromUtf8(forms[flags % 4]),
                       map_text = hostkit::Settings::FromUtf8(fields[0]);
  g_folder = flags % 4 == 0 ? nullptr : folder.c_str();
  g_map = (flags & 8) ? nullptr : map_text.c_str();
  const char *player = (flags & 4) ? nullptr : fields[1].c_str();

  // The host promises an index that names an entry inside the list: walk
  // it, and fold an index past its end onto it. Lengths over 255 give their
  // first 255 bytes, negative ones read as 0.
  std::vector<size_t> entries;  // where each entry the copy stays inside starts
  for (size_t entry = 0; list.size() - entry >= 2;) {
    const auto raw = static_cast<int16_t>(list[entry] | (list[entry + 1] << 8));
    const size_t length = raw < 0 ? 0 : static_cast<size_t>(raw);
    if (list.size() - entry - 2 < std::min<size_t>(length, 255)) break;
    entries.push_back(entry);
    if ((entry += 2 + length) > list.size()) break;
  }
  const bool hosting = server_index == hosting_index, no_list = (flags & 64) != 0;
  if (!hosting && !no_list && entries.empty()) return 0;
  if (!hosting && !no_list && server_index >= 0)
    server_index = static_cast<int32_t>(static_cast<size_t>(server_index) % entries.size());
  if (server_index == hosting_index && !hosting) return 0;

  const std::string script = g_game + "etmain/launch.cfg", backup = script + ".bak";
  std::filesystem::remove(script);
  std::filesystem::remove(backup);
  if (flags & 16) WriteFile(script, "earlier script");
  if (flags & 32) WriteFile(backup, "earlier backup");
  SDLL_LaunchMultiplayer(0x4000, server_index, hosting_index, 0, no_list ? nullptr : list.data(),
                         player);
  FUZZ_CHECK(SDLL_MultiplayerFinished() == 1);
  FUZZ_CHECK(ReadFile(backup) == ((flags & 16)   ? "earlier script"
                                  : (flags & 32) ? "earlier backup"
                                                 : ""));
  // The name line first; then the server to join, up to a line break in
  // it, or, last, the map's name: the text before its first space, or with
  // no space before its first '-', or all of it.
  const std::string written = ReadFile(script);
  std::string name = "name ";
  for (const char *c = player != nullptr ? player : ""; *c != '\0'; ++c)
    name += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
  FUZZ_CHECK(written.compare(0, name.size(), name) == 0);
  const std::string map = (flags & 8) ? "" : fields[0];
  std::string last = "\r\nmap ";
  if (!hosting && !no_list) {
    const size_t entry = entries[server_index < 0 ? 0 : static_cast<size_t>(server_index)];
    const auto raw = static_cast<int16_t>(list[entry] | (list[entry + 1] << 8));
    last.assign(list.begin() + entry + 2, list.begin() + entry + 2 + std::clamp<int>(raw, 0, 255));
    last = "connect " + last.substr(0, last.find_first_of(std::string("\n\0", 2))) + "\r\n";
  } else if (!hosting) {
    last = "connect \r\n";
  } else if (std::all_of(map.begin(), map.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    last += map.substr(0, map.find(' ') != std::string::npos ? map.find(' ') : map.find('-'));
    last += "\r\n";
    FUZZ_CHECK(written.size() >= last.size() &&
               written.compare(written.size() - last.size(), last.size(), last) == 0);
  }
  FUZZ_CHECK(written.find(last, name.size()) != std::string::npos);
  return 0;
}
