#include "protocol.h"

#include <algorithm>
#include <charconv>

#include "text.h"

namespace wolfet_host {
namespace {

constexpr std::string_view kOutOfBand("\xff\xff\xff\xff", 4);
constexpr std::string_view kListHead = "getserversResponse";
constexpr std::string_view kInfoHead = "infoResponse";
constexpr std::string_view kStatusHead = "statusResponse";
constexpr size_t kMaxValue = 255;
/* Info strings are at most 8 KB in the game; more is not read. */
constexpr size_t kMaxInfo = 8192;
/* A status answer is one of the game's messages, at most 16 KB. */
constexpr size_t kMaxStatus = 16384;

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

/* A value cut in the middle of a UTF-8 character would no longer read as
 * UTF-8, and the whole name would show as Windows-1252. */
std::string_view Cut(std::string_view value) {
  if (value.size() <= kMaxValue) return value;
  size_t end = kMaxValue;
  if (hostkit::IsUtf8(value))
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) --end;
  return value.substr(0, end);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/* Letters, digits and inner hyphens, 1 to 63 of them a label (RFC 1123). */
bool IsHostName(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t dot = std::min(name.find('.', start), name.size());
    const std::string_view label = name.substr(start, dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label)
      if (!IsDigit(c) && c != '-' && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) return false;
    start = dot + 1;
  }
  return true;
}

/* Four numbers from 0 to 255 with dots between them. */
bool IsIpv4(std::string_view text) {
  int parts = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t dot = std::min(text.find('.', start), text.size());
    const std::string_view part = text.substr(start, dot - start);
    if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), IsDigit) ||
        std::stoi(std::string(part)) > 255)
      return false;
    ++parts;
    start = dot + 1;
  }
  return parts == 4;
}

std::string Text(const std::map<std::string, std::string> &pairs, const char *key) {
  auto it = pairs.find(key);
  return it == pairs.end() ? std::string() : it->second;
}

}  // namespace

const char kGameName[] = "et";
const char kBaseMod[] = "etmain";

namespace {

/* HOST[:PORT] for a master or a game server, which `what` and `plural`
 * name in `why`. */
template <typename Address>
std::optional<Address> ParseAddress(std::string_view text, const char *what, const char *plural,
                                    std::string *why) {
  Address address;
  if (text.empty()) {
    *why = std::string("names no ") + what + "; give HOST[:PORT]";
    return std::nullopt;
  }
  if (text.front() == '[' || std::count(text.begin(), text.end(), ':') > 1) {
    *why = std::string("is an IPv6 address; only IPv4 ") + plural +
           " can be asked (as the game's own are)";
    return std::nullopt;
  }
  std::string_view host = text;
  const size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    host = text.substr(0, colon);
    const std::string_view port = text.substr(colon + 1);
    const bool digits =
        !port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), IsDigit);
    const long value = digits ? std::stol(std::string(port)) : 0;
    if (value < 1 || value > 65535) {
      *why = "has a port that is not a number from 1 to 65535";
      return std::nullopt;
    }
    address.port = static_cast<uint16_t>(value);
  }
  if (host.empty()) {
    *why = "names no host before its port";
    return std::nullopt;
  }
  /* A name whose last label is a number is an address or a mistake. */
  const std::string_view last = host.substr(host.rfind('.') + 1);
  const bool numeric = !last.empty() && std::all_of(last.begin(), last.end(), IsDigit);
  if (numeric ? !IsIpv4(host) : !IsHostName(host)) {
    *why = numeric ? "is not an IPv4 address (four numbers from 0 to 255)"
                   : "is not a host name (letters, digits, '-' and '.') nor an IPv4 address";
    return std::nullopt;
  }
  address.host = std::string(host);
  return address;
}

}  // namespace

std::optional<MasterAddress> ParseMasterAddress(std::string_view text, std::string *why) {
  return ParseAddress<MasterAddress>(text, "master server", "masters", why);
}

std::optional<ServerAddress> ParseServerAddress(std::string_view text, std::string *why) {
  return ParseAddress<ServerAddress>(text, "server", "servers", why);
}

std::string FormatEndpoint(const ServerEndpoint &e) {
  return std::to_string(e.ip >> 24) + "." + std::to_string((e.ip >> 16) & 0xFF) + "." +
         std::to_string((e.ip >> 8) & 0xFF) + "." + std::to_string(e.ip & 0xFF) + ":" +
         std::to_string(e.port);
}

std::string MasterQuery() { return std::string(kOutOfBand) + "getservers 84 empty full"; }

std::string InfoRequest(std::string_view challenge) {
  return std::string(kOutOfBand) + "getinfo " + std::string(challenge);
}

std::string StatusRequest(std::string_view challenge) {
  return std::string(kOutOfBand) + "getstatus " + std::string(challenge);
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

namespace {

/* "\\key\\value\\key\\value" up to the line's end; a key without its value
 * is dropped. */
void ReadPairs(std::string_view line, std::map<std::string, std::string> *pairs) {
  if (!line.empty() && line[0] == '\\') line.remove_prefix(1);
  while (!line.empty()) {
    const size_t key_end = line.find('\\');
    if (key_end == std::string_view::npos) break;
    const std::string_view key = line.substr(0, key_end);
    line.remove_prefix(key_end + 1);
    const size_t value_end = std::min(line.find('\\'), line.size());
    (*pairs)[std::string(Cut(key))] = std::string(Cut(line.substr(0, value_end)));
    line.remove_prefix(std::min(value_end + 1, line.size()));
  }
}

/* The datagram's first `limit` bytes after the out-of-band head, `head`
 * and the newline after it; none when it has another head. */
std::optional<std::string_view> Body(std::string_view datagram, std::string_view head,
                                     size_t limit) {
  if (!StartsWith(datagram, kOutOfBand)) return std::nullopt;
  datagram.remove_prefix(kOutOfBand.size());
  if (!StartsWith(datagram, head)) return std::nullopt;
  datagram = datagram.substr(head.size(), limit);
  if (!datagram.empty() && datagram[0] == '\n') datagram.remove_prefix(1);
  return datagram;
}

/* `score ping "name"`, the name up to its closing quote or the line's end. */
std::optional<Player> ReadPlayer(std::string_view line) {
  Player player;
  const char *end = line.data() + line.size();
  auto score = std::from_chars(line.data(), end, player.score);
  if (score.ec != std::errc() || score.ptr == end || *score.ptr != ' ') return std::nullopt;
  auto ping = std::from_chars(score.ptr + 1, end, player.ping);
  if (ping.ec != std::errc() || ping.ptr == end || *ping.ptr != ' ' || player.ping < 0)
    return std::nullopt;
  std::string_view name(ping.ptr + 1, static_cast<size_t>(end - ping.ptr - 1));
  if (name.empty() || name.front() != '"') return std::nullopt;
  name.remove_prefix(1);
  name = name.substr(0, name.find('"'));
  player.name = std::string(Cut(name));
  return player;
}

}  // namespace

bool ReadInfoResponse(std::string_view datagram, std::map<std::string, std::string> *pairs) {
  const std::optional<std::string_view> body = Body(datagram, kInfoHead, kMaxInfo);
  if (!body) return false;
  ReadPairs(body->substr(0, body->find('\n')), pairs);
  return true;
}

bool ReadStatusResponse(std::string_view datagram, ServerStatus *status) {
  std::optional<std::string_view> body = Body(datagram, kStatusHead, kMaxStatus);
  if (!body) return false;
  const size_t rules_end = std::min(body->find('\n'), body->size());
  ReadPairs(body->substr(0, rules_end), &status->rules);
  std::string_view rest = body->substr(std::min(rules_end + 1, body->size()));
  while (!rest.empty() && status->players.size() < kMaxPlayers) {
    const size_t line_end = std::min(rest.find('\n'), rest.size());
    if (std::optional<Player> player = ReadPlayer(rest.substr(0, line_end)))
      status->players.push_back(std::move(*player));
    rest.remove_prefix(std::min(line_end + 1, rest.size()));
  }
  return true;
}

void ReadServerInfo(const std::map<std::string, std::string> &pairs, ServerInfo *info) {
  info->name = Text(pairs, "hostname");
  info->map = Text(pairs, "mapname");
  info->players = Number(pairs, "clients");
  info->max_players = Number(pairs, "sv_maxclients");
  info->game_type = Number(pairs, "gametype");
  info->protocol = Number(pairs, "protocol");
  const auto text = [&pairs](const char *key) -> std::optional<std::string> {
    auto it = pairs.find(key);
    return it == pairs.end() ? std::nullopt : std::optional<std::string>(it->second);
  };
  const auto either = [](std::optional<int> a, std::optional<int> b) { return a ? a : b; };
  info->game = text("gamename");
  info->mod = text("game");
  if (!info->mod && IsThisGame(*info)) info->mod = kBaseMod;
  const std::optional<int> needpass =
      either(Number(pairs, "needpass"), Number(pairs, "g_needpass"));
  info->needpass = needpass ? std::optional<bool>(*needpass != 0) : std::nullopt;
  info->humans = either(Number(pairs, "humans"), Number(pairs, "g_humanplayers"));
}

namespace {

/* The clients the info answer counts, else those the status lists. */
std::optional<int> Clients(const ServerInfo &info) {
  if (info.players) return info.players;
  if (info.status) return static_cast<int>(info.status->players.size());
  return std::nullopt;
}

/* A status whose player lines are not the clients the info counted (a
 * player came or went between the two answers, or the lines were cut)
 * would split a count that is not the one shown: the split is left
 * unknown instead. */
bool StatusCountsClients(const ServerInfo &info) {
  return info.status &&
         (!info.players || static_cast<size_t>(*info.players) == info.status->players.size());
}

}  // namespace

/* A server that says it has more humans than clients is held to its
 * clients. Without its word, the status's players are counted as they
 * are, which may be a moment apart from the info answer's clients. */
std::optional<int> Humans(const ServerInfo &info) {
  const std::optional<int> clients = Clients(info);
  if (info.humans) return clients ? std::min(*info.humans, *clients) : info.humans;
  if (!StatusCountsClients(info)) return std::nullopt;
  return static_cast<int>(std::count_if(info.status->players.begin(), info.status->players.end(),
                                        [](const Player &p) { return p.ping != 0; }));
}

std::optional<int> Bots(const ServerInfo &info) {
  if (info.humans) {
    const std::optional<int> clients = Clients(info);
    if (!clients) return std::nullopt;
    return *clients - *Humans(info);
  }
  if (!StatusCountsClients(info)) return std::nullopt;
  return static_cast<int>(info.status->players.size()) - *Humans(info);
}

bool IsThisGame(const ServerInfo &info) { return OtherGame(info.protocol, info.game).empty(); }

std::string OtherGame(const std::optional<int> &protocol, const std::optional<std::string> &game) {
  if (protocol && *protocol != kGameProtocol)
    return "other game (protocol " + std::to_string(*protocol) + ")";
  const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c); };
  std::string name = game.value_or(kGameName);
  std::transform(name.begin(), name.end(), name.begin(), lower);
  return name == kGameName ? std::string() : "other game (" + *game + ")";
}

}  // namespace wolfet_host
