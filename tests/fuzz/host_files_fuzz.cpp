// The host's own files as a person may have mended them, each read as the
// host reads it: the settings file (SettingsFile::Load), the kept server
// list (ReadKeptList, then join's checks of each entry) and the kept
// colour. A file either reads or is refused with wolfet_host::Error; one
// that reads names no key twice in one object, nests no deeper than
// kMaxJsonDepth, and shows its values as the file has them.
#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "launch.h"
#include "servers/kept_list.h"
#include "servers/protocol.h"
#include "settings_file.h"
#include "support/files.h"

using namespace wolfet_host;  // NOLINT(google-build-using-namespace)
using nlohmann::json;

namespace {

HostFiles g_files;  // the settings file and the kept list are one file here

// The text as the JSON library alone reads it, which keeps the last of two
// equal keys: each key it names is one the value holds, and no more than
// kMaxJsonDepth objects and arrays are open at once.
json CheckedJson(const std::string &text) {
  size_t named = 0, held = 0, deepest = 0;
  const json value = json::parse(text, [&](int depth, json::parse_event_t event, json &parsed) {
    named += event == json::parse_event_t::key;
    held += event == json::parse_event_t::object_end ? parsed.size() : 0;
    if (event == json::parse_event_t::object_start || event == json::parse_event_t::array_start)
      deepest = std::max(deepest, static_cast<size_t>(depth) + 1);
    return true;
  });
  assert(named == held && deepest <= kMaxJsonDepth);
  return value;
}

void Refused(const Error &error) {
  assert(error.fault() == Fault::kBadInput && std::strstr(error.what(), g_files.settings.c_str()));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  static const std::string root = MakeScratch();
  if (root.empty()) std::abort();
  g_files.settings = g_files.servers = root + "/wolfet-host.json";
  atexit([] { std::filesystem::remove_all(root); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  WriteFile(g_files.settings, text);
  try {
    const SettingsFile file = SettingsFile::Load(g_files);
    const json value = CheckedJson(text);
    for (const StoredValue &v : file.Values())  // compared as written: -1 == 2^64 - 1 here
      assert(value.at(v.page).at(v.group).at(v.setting).dump() ==
             (v.kind == StoredValue::kText      ? json(v.value)
              : v.kind == StoredValue::kBoolean ? json(v.value == "1")
                                                : json::parse(v.value))
                 .dump());
    file.Check();
    file.Manifest();
  } catch (const Error &error) {
    Refused(error);
  }
  try {
    const KeptList kept = ReadKeptList(g_files);
    CheckedJson(text);
    assert(!kept.addresses.empty() && kept.addresses.size() == kept.servers.size());
    for (const std::string &address : kept.addresses) {  // as join reads the one picked
      std::string why;
      const std::optional<ServerAddress> server = ParseServerAddress(address, &why);
      assert(server ? !server->host.empty() && server->port != 0 : !why.empty());
    }
    for (int pick = -1; pick <= static_cast<int>(kept.addresses.size()); ++pick) try {
        CheckKeptPick(kept, pick, pick % 2 != 0);
      } catch (const Error &error) {
        assert(error.fault() == Fault::kBadInput);
      }
  } catch (const Error &error) {
    Refused(error);
  }

  // The colour: as the host writes it, it reads back; else the first line
  // spells it in hex digits (with or without 0x and leading zeros), or
  // nothing is read.
  uint32_t colour = 0;
  std::memcpy(&colour, data, std::min(size, sizeof colour));
  char written[16];
  std::snprintf(written, sizeof written, "0x%08X\n", colour);
  assert(ReadKeptColour(written) == colour);
  if (const std::optional<uint32_t> read = ReadKeptColour(text)) {
    std::string line = text.substr(0, text.find('\n'));
    for (char &c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const size_t digits = line.find_first_not_of('0', line.rfind("0X", 0) == 0 ? 2 : 0);
    std::snprintf(written, sizeof written, "%X", *read);
    assert(line.substr(std::min(digits, line.size())) == (*read != 0 ? written : ""));
  }
  return 0;
}
