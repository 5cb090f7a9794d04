// SDLL_LaunchMultiplayer in-process, with fuzzed settings, player names and
// server lists, then the poll. The engine folder's et.exe is no program, so
// nothing starts and the poll answers 1 at once; the one-generation backup
// keeps what was there, and the script names the player and the picked
// server or the cut map.
//
// Input: a 16-byte header, then NUL-separated fields.
//   header  [0] folder form  [1] flags  [2..5] server index  [6..9] hosting
//           index  [10..13] "type"  [14] "allowdownload"  [15] unused
//   fields  unused, "parameters", "map", player name, then one field per
//           server entry.
// Flags: 1 no player name, 2 no map text, 4 no parameters, 8 an earlier
// script, 16 an earlier backup, 32 no server list.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "fuzz_check.h"
#include "host/sdll.h"
#include "settings.h"
#include "support/files.h"

namespace {

std::string g_game;          // the engine folder, with its '/'
const char16_t *g_texts[3];  // folder, parameters, map; null when absent
int32_t g_type = 0, g_download = 0;

const char16_t *SDLL_STDCALL EngineString(uint32_t, const char *, const char *key) {
  return g_texts[std::strcmp(key, "enginepath") == 0 ? 0 : 1];
}
int32_t SDLL_STDCALL GameInteger(uint32_t, const char *, const char *key) {
  return std::strcmp(key, "type") == 0 ? g_type : g_download;
}
const char16_t *SDLL_STDCALL GameString(uint32_t, const char *, const char *) { return g_texts[2]; }
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
  unsigned char header[16] = {};
  const size_t head = std::min<size_t>(size, 16);
  std::memcpy(header, data, head);
  std::vector<std::string> fields;
  const std::string rest(reinterpret_cast<const char *>(data) + head, size - head);
  for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = rest.find('\0', start);
    fields.push_back(rest.substr(start, end - start));
  }
  fields.resize(std::max<size_t>(fields.size(), 4));
  const unsigned flags = header[1];
  int32_t server_index, hosting_index;
  std::memcpy(&server_index, header + 2, 4);
  std::memcpy(&hosting_index, header + 6, 4);
  std::memcpy(&g_type, header + 10, 4);
  g_download = header[14] % 4;
  // Each folder form names the engine folder: none and the empty text (the
  // current folder), the folder with '/', and with one '\'.
  const std::string forms[] = {"", "", g_game,
                               std::string(g_game).replace(g_game.size() - 6, 1, "\\")};
  const std::u16string texts[] = {hostkit::Settings::FromUtf8(forms[header[0] % 4]),
                                  hostkit::Settings::FromUtf8(fields[1]),
                                  hostkit::Settings::FromUtf8(fields[2])};
  const bool absent[] = {header[0] % 4 == 0, (flags & 4) != 0, (flags & 2) != 0};
  for (int i = 0; i < 3; ++i) g_texts[i] = absent[i] ? nullptr : texts[i].c_str();
  const std::string &player = fields[3];

  // One entry per remaining field. The host promises an index that names
  // an entry, so one past the list is folded onto it.
  std::vector<std::pair<int16_t, std::string>> entries;
  for (size_t i = 4; i < fields.size(); ++i)
    entries.push_back({static_cast<int16_t>(std::min<size_t>(fields[i].size(), 32767)),
                       fields[i].substr(0, 32767)});
  const std::vector<unsigned char> list = PackList(entries);
  const bool hosting = server_index == hosting_index;
  const bool no_list = (flags & 32) || entries.empty();
  if (!hosting && !no_list && server_index >= 0)
    server_index = static_cast<int32_t>(static_cast<size_t>(server_index) % entries.size());
  if (server_index == hosting_index && !hosting) return 0;

  const std::string script = g_game + "etmain/launch.cfg", backup = script + ".bak";
  std::filesystem::remove(script);
  std::filesystem::remove(backup);
  if (flags & 8) WriteFile(script, "earlier script");
  if (flags & 16) WriteFile(backup, "earlier backup");
  SDLL_LaunchMultiplayer(0x4000, server_index, hosting_index, 0, no_list ? nullptr : list.data(),
                         (flags & 1) ? nullptr : player.c_str());
  FUZZ_CHECK(SDLL_MultiplayerFinished() == 1);
  FUZZ_CHECK(ReadFile(backup) == ((flags & 8)    ? "earlier script"
                                  : (flags & 16) ? "earlier backup"
                                                 : ""));
  const std::string written = ReadFile(script);
  std::string name = "name ";
  for (const char *c = (flags & 1) ? "" : player.c_str(); *c != '\0'; ++c)
    name += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
  FUZZ_CHECK(written.compare(0, name.size(), name) == 0);
  // Hosting ends with the map's name: the text before its first space, or
  // with no space before its first '-', or all of it.
  std::string last = "\r\nmap ";
  const std::string map = (flags & 2) ? "" : fields[2];
  if (hosting &&
      std::all_of(map.begin(), map.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    last += map.substr(0, map.find(' ') != std::string::npos ? map.find(' ') : map.find('-'));
    FUZZ_CHECK(written.size() >= last.size() + 2 &&
               written.compare(written.size() - last.size() - 2, last.size() + 2, last + "\r\n") ==
                   0);
  } else if (!hosting) {
    const size_t picked = server_index < 0 ? 0 : static_cast<size_t>(server_index);
    last = "connect " + (no_list ? std::string() : entries[picked].second.substr(0, 255));
    last = last.substr(0, last.find('\n')) + "\r\n";
  }
  FUZZ_CHECK(written.find(last, name.size()) != std::string::npos);
  return 0;
}
