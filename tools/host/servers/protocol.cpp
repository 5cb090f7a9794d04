#include "protocol.h"

#include <algorithm>
#include <charconv>

namespace wolfet_host {
namespace {

constexpr std::string_view kOutOfBand("\xff\xff\xff\xff", 4);
constexpr std::string_view kListHead = "getserversResponse";
constexpr std::string_view kInfoHead = "infoResponse";
constexpr size_t kMaxValue = 255;
/* Info strings are at most 8 KB in the game; more is not read. */
constexpr size_t kMaxInfo = 8192;

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

std::optional<int> Number(const std::map<std::string, std::string> &pairs, const char *key) {
  auto it = pairs.find(key);
  if (it == pairs.end()) return std::nullopt;
  int value = 0;
  const char *end = it->second.data() + it->second.size();
  auto [ptr, error] = std::from_chars(it->second.data(), end, value);
  if (error != std::errc() || ptr != end || value < 0 || value > 99999) return std::nullopt;
  return value;
}

std::string Text(const std::map<std::string, std::string> &pairs, const char *key) {
  auto it = pairs.find(key);
  return it == pairs.end() ? std::string() : it->second;
}

}  // namespace

std::string FormatEndpoint(const ServerEndpoint &e) {
  return std::to_string(e.ip >> 24) + "." + std::to_string((e.ip >> 16) & 0xFF) + "." +
         std::to_string((e.ip >> 8) & 0xFF) + "." + std::to_string(e.ip & 0xFF) + ":" +
         std::to_string(e.port);
}

std::string MasterQuery() { return std::string(kOutOfBand) + "getservers 84 empty full"; }

std::string InfoRequest(std::string_view challenge) {
  return std::string(kOutOfBand) + "getinfo " + std::string(challenge);
}

MasterPart ReadMasterList(std::string_view datagram, std::vector<ServerEndpoint> *out) {
  if (!StartsWith(datagram, kOutOfBand)) return MasterPart::kNotAList;
  datagram.remove_prefix(kOutOfBand.size());
  if (!StartsWith(datagram, kListHead)) return MasterPart::kNotAList;
  datagram.remove_prefix(kListHead.size());
  /* Entries: '\' and six bytes. "\EOT" ends the list; its NULs may be cut. */
  while (datagram.size() >= 7 && datagram[0] == '\\') {
    if (datagram.substr(1, 6) == std::string_view("EOT\0\0\0", 6)) return MasterPart::kEnd;
    const auto *b = reinterpret_cast<const unsigned char *>(datagram.data() + 1);
    const ServerEndpoint e{
        (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3],
        static_cast<uint16_t>((b[4] << 8) | b[5])};
    if (e.ip != 0 && e.port != 0) out->push_back(e);
    datagram.remove_prefix(7);
  }
  return StartsWith(datagram, "\\EOT") ? MasterPart::kEnd : MasterPart::kMore;
}

bool ReadInfoResponse(std::string_view datagram, std::map<std::string, std::string> *pairs) {
  if (!StartsWith(datagram, kOutOfBand)) return false;
  datagram.remove_prefix(kOutOfBand.size());
  if (!StartsWith(datagram, kInfoHead)) return false;
  datagram = datagram.substr(kInfoHead.size(), kMaxInfo);
  if (!datagram.empty() && datagram[0] == '\n') datagram.remove_prefix(1);
  datagram = datagram.substr(0, datagram.find('\n'));
  if (!datagram.empty() && datagram[0] == '\\') datagram.remove_prefix(1);
  /* key\value\key\value; a key without its value is dropped. */
  while (!datagram.empty()) {
    const size_t key_end = datagram.find('\\');
    if (key_end == std::string_view::npos) break;
    const std::string_view key = datagram.substr(0, key_end);
    datagram.remove_prefix(key_end + 1);
    const size_t value_end = std::min(datagram.find('\\'), datagram.size());
    (*pairs)[std::string(key.substr(0, kMaxValue))] =
        std::string(datagram.substr(0, std::min(value_end, kMaxValue)));
    datagram.remove_prefix(std::min(value_end + 1, datagram.size()));
  }
  return true;
}

void ReadServerInfo(const std::map<std::string, std::string> &pairs, ServerInfo *info) {
  info->name = Text(pairs, "hostname");
  info->map = Text(pairs, "mapname");
  info->players = Number(pairs, "clients");
  info->max_players = Number(pairs, "sv_maxclients");
  info->game_type = Number(pairs, "gametype");
}

}  // namespace wolfet_host
