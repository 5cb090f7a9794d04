// SDLL_LaunchMultiplayer in-process, with fuzzed settings, player names and
// server lists, into a temporary engine folder, followed by the poll.
//
// The engine folder holds etmain/ and an et.exe that may not be executed,
// so no input starts a process: the poll must answer 1 at once. The script
// is compared with one built here from the same inputs, and an earlier
// script and backup laid out before the launch must end up where the
// one-generation backup puts them.
//
// Input: a 16-byte header, then NUL-separated fields.
//   header  [0] folder form  [1] flags  [2..5] server index  [6..9] hosting
//           index  [10..13] "type"  [14] "allowdownload"  [15] unused
//   fields  folder suffix (UTF-8), "parameters" (UTF-8), "map" (UTF-8),
//           player name (bytes), then one field per server entry.
// Flags: 1 no player name, 2 no map text, 4 no parameters, 8 an earlier
// script, 16 an earlier backup, 32 no server list, 64 entry 1 has a
// negative length.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/sdll.h"
#include "platform/platform.h"
#include "settings.h"

namespace {

namespace fs = std::filesystem;

std::string g_root;  // the sandbox; the engine folder is g_root + "/game/"
std::string g_game;

struct Inputs {
  bool folder_null = false;
  std::u16string folder;
  bool parameters_null = false;
  std::u16string parameters;
  bool map_null = false;
  std::u16string map;
  int32_t type = 0;
  int32_t allow_download = 0;
} g_in;

const SdllWideChar *Text(bool null, const std::u16string &text) {
  return null ? nullptr : text.c_str();
}

const SdllWideChar *SDLL_STDCALL GetEngineString(uint32_t, const char *, const char *key) {
  if (std::strcmp(key, "enginepath") == 0) return Text(g_in.folder_null, g_in.folder);
  return Text(g_in.parameters_null, g_in.parameters);
}
int32_t SDLL_STDCALL GetGameInteger(uint32_t, const char *, const char *key) {
  return std::strcmp(key, "type") == 0 ? g_in.type : g_in.allow_download;
}
const SdllWideChar *SDLL_STDCALL GetGameString(uint32_t, const char *, const char *) {
  return Text(g_in.map_null, g_in.map);
}
// The launch calls nothing else; any other slot it reached would be a fault.
void SDLL_STDCALL Unexpected() {
  std::fprintf(stderr, "the launch called a host service it never uses\n");
  std::abort();
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Ansi(const std::u16string &text) {
  std::vector<char> out(2 * (text.size() + 1));
  const int n = platform::WideToAnsi(text.c_str(), static_cast<int>(text.size() + 1), out.data(),
                                     static_cast<int>(out.size()));
  return n > 0 ? std::string(out.data()) : std::string();
}

std::string Crlf(const std::string &text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

std::string Cut(const std::string &map) {
  size_t cut = map.find(' ');
  if (cut == std::string::npos) cut = map.find('-');
  return map.substr(0, cut);
}

// A folder name with no separator in it and none of the names that lead
// out of the sandbox.
std::u16string SafeName(const std::string &utf8) {
  std::u16string name;
  for (char16_t c : hostkit::Settings::FromUtf8(utf8))
    if (c != u'/' && c != u'\\' && c != 0) name += c;
  if (name == u"." || name == u"..") name = u"x";
  return name;
}

std::u16string Wide(const std::string &ascii) { return hostkit::Settings::FromUtf8(ascii); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  const char *tmp = getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/sdll-launch-fuzz-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) std::abort();
  g_root = pattern;
  g_game = g_root + "/game/";
  fs::create_directories(g_game + "etmain");
  std::ofstream(g_game + "et.exe") << "not a program";
  chmod((g_game + "et.exe").c_str(), 0644);
  // The missing-folder form resolves against the current folder.
  if (chdir(g_game.c_str()) != 0) std::abort();
  setenv("SDLL_SYSCOLOR_FILE", (g_root + "/colours").c_str(), 1);
  atexit([] { fs::remove_all(g_root); });

  for (uint32_t slot = 0; slot < kSlotCount; ++slot)
    SDLL_InitCall(slot, reinterpret_cast<SdllService>(&Unexpected));
  SDLL_InitCall(kSlotGetEngineString, reinterpret_cast<SdllService>(&GetEngineString));
  SDLL_InitCall(kSlotGetGameInteger, reinterpret_cast<SdllService>(&GetGameInteger));
  SDLL_InitCall(kSlotGetGameString, reinterpret_cast<SdllService>(&GetGameString));
  char name[8];
  uint16_t code;
  SDLL_Init(0x5EED, name, &code);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  unsigned char header[16] = {};
  std::memcpy(header, data, size < sizeof header ? size : sizeof header);
  std::vector<std::string> fields;
  if (size > sizeof header) {
    std::string rest(reinterpret_cast<const char *>(data + sizeof header), size - sizeof header);
    for (size_t start = 0;;) {
      const size_t end = rest.find('\0', start);
      fields.push_back(rest.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  fields.resize(fields.size() < 4 ? 4 : fields.size());
  const unsigned flags = header[1];
  int32_t server_index, hosting_index;
  std::memcpy(&server_index, header + 2, 4);
  std::memcpy(&hosting_index, header + 6, 4);
  std::memcpy(&g_in.type, header + 10, 4);
  g_in.allow_download = header[14] % 4;

  // Where the script lands, when the folder text names the sandbox's
  // engine folder; other forms name folders that are not there.
  bool in_game_folder = true;
  g_in.folder_null = false;
  switch (header[0] % 6) {
    case 0:
      g_in.folder_null = true;
      break;  // the current folder: the engine folder
    case 1:
      g_in.folder = u"";
      break;
    case 2:
      g_in.folder = Wide(g_game);
      break;
    case 3:
      g_in.folder = Wide(g_root + "\\game\\");
      break;
    case 4:  // a folder inside it ("game//" with an empty name: itself)
      g_in.folder = Wide(g_game) + SafeName(fields[0]) + u"\\";
      in_game_folder = SafeName(fields[0]).empty();
      break;
    default:
      g_in.folder = Wide(g_root + "/game") + SafeName(fields[0]);
      in_game_folder = false;
      break;
  }
  g_in.parameters_null = flags & 4;
  g_in.parameters = Wide(fields[1]);
  g_in.map_null = flags & 2;
  g_in.map = Wide(fields[2]);
  const std::string &player = fields[3];

  // The server list: one entry per remaining field, packed. The host
  // promises an index that names an entry, so one is folded onto the list.
  std::vector<std::string> servers(fields.begin() + 4, fields.end());
  std::vector<unsigned char> list;
  for (size_t i = 0; i < servers.size(); ++i) {
    if (servers[i].size() > 32767) servers[i].resize(32767);
    int16_t length = static_cast<int16_t>(servers[i].size());
    if (i == 1 && (flags & 64)) length = static_cast<int16_t>(-1 - length);
    list.push_back(static_cast<unsigned char>(length & 0xFF));
    list.push_back(static_cast<unsigned char>((length >> 8) & 0xFF));
    // A negative length reads as 0, so no text may follow it: the next
    // entry's length comes right after, where the plug-in will look.
    if (length < 0) servers[i].clear();
    list.insert(list.end(), servers[i].begin(), servers[i].end());
  }
  const bool hosting = server_index == hosting_index;
  const bool no_list = (flags & 32) || servers.empty();
  if (!hosting && !no_list && server_index >= 0 &&
      static_cast<size_t>(server_index) >= servers.size()) {
    server_index = static_cast<int32_t>(static_cast<size_t>(server_index) % servers.size());
    if (server_index == hosting_index) return 0;
  }

  const std::string script = g_game + "etmain/launch.cfg";
  const std::string backup = script + ".bak";
  fs::remove(script);
  fs::remove(backup);
  if (flags & 8) std::ofstream(script) << "earlier script";
  if (flags & 16) std::ofstream(backup) << "earlier backup";

  SDLL_LaunchMultiplayer(0x4000, server_index, hosting_index, 0, no_list ? nullptr : list.data(),
                         (flags & 1) ? nullptr : player.c_str());
  FUZZ_CHECK(SDLL_MultiplayerFinished() == 1);  // no process was started

  // Nothing was lost: the earlier script is the backup now, or, with no
  // earlier script, the earlier backup is untouched. A launch into another
  // folder leaves both as they were.
  if (!in_game_folder) {
    FUZZ_CHECK(!(flags & 8) || ReadFile(script) == "earlier script");
    FUZZ_CHECK(!(flags & 16) || ReadFile(backup) == "earlier backup");
    FUZZ_CHECK(fs::exists(script) == ((flags & 8) != 0));
    FUZZ_CHECK(fs::exists(backup) == ((flags & 16) != 0));
    return 0;
  }
  if (flags & 8)
    FUZZ_CHECK(ReadFile(backup) == "earlier script");
  else if (flags & 16)
    FUZZ_CHECK(ReadFile(backup) == "earlier backup");
  else
    FUZZ_CHECK(!fs::exists(backup));

  std::string expected = "name " + std::string((flags & 1) ? "" : player.c_str()) + "\n";
  if (hosting) {
    const char *game_types[] = {"g_gametype 2\n", "g_gametype 3\n", "g_gametype 5\n",
                                "g_gametype 4\n"};
    if (g_in.type >= 0 && g_in.type <= 3) expected += game_types[g_in.type];
    if (g_in.allow_download == 1) expected += "set sv_wwwDownload 1\n";
    if (g_in.type == 0) expected += "set sv_hostname ^1Orvanta Server\n";
    expected += "map " + Cut(g_in.map_null ? "" : Ansi(g_in.map)) + "\n";
  } else {
    std::string server;
    if (!no_list) server = servers[server_index < 0 ? 0 : static_cast<size_t>(server_index)];
    expected += "connect " + server.substr(0, 255) + "\n";
  }
  FUZZ_CHECK(ReadFile(script) == Crlf(expected));
  return 0;
}
