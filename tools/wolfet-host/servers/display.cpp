#include "display.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>

#include "browser.h"
#include "console.h"
#include "server_filter.h"
#include "text.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

/* One UTF-8 character of `text` from `i`: its length. The text comes
 * from ServerTextToUtf8, so it is well-formed. */
size_t CharacterLength(const std::string &text, size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return std::min(length, text.size() - i);
}

/* Server names may carry any byte; a control character would steer the
 * terminal, so it shows as '?', C1 ones (U+0080-U+009F, which also stand
 * for the bytes Windows-1252 leaves undefined) too. */
bool IsControl(std::string_view character) {
  const auto byte = [&character](size_t i) { return static_cast<unsigned char>(character[i]); };
  return byte(0) < 0x20 || byte(0) == 0x7F ||
         (byte(0) == 0xC2 && character.size() > 1 && byte(1) < 0xA0);
}

/* The game's colours on a terminal. Black (^0) and white (^7) both
 * become the terminal's own text colour: either would vanish on one of
 * the two kinds of background, and that colour is readable on its own
 * background by design. Blue is the bright one, which a dark background
 * does not swallow. ^8 and ^9 keep orange and grey. */
const char *const kColours[] = {"39", "31", "32", "33", "94", "36", "35", "39", "38;5;208", "90"};

/* As the engine reads a name: '^' and any character but '^' is a colour
 * code, letters and signs too. Its length, or 0 for no code. */
size_t ColourCode(const std::string &text, size_t i) {
  if (text[i] != '^' || i + 1 >= text.size() || text[i + 1] == '^') return 0;
  return 1 + CharacterLength(text, i + 1);
}

/* The engine picks a letter's colour by its value as it does a digit's,
 * (c - '0') & 7; a character past ASCII by its low byte, which is its
 * Windows-1252 byte for the names sent in it. */
const char *Colour(const std::string &text, size_t code) {
  const auto c = static_cast<unsigned char>(text[code]);
  if (c >= '0' && c <= '9') return kColours[c - '0'];
  unsigned value = c;
  if (c >= 0x80) {
    value = c & (c < 0xE0 ? 0x1F : 0x0F);
    for (size_t i = code + 1; i < text.size() && (text[i] & 0xC0) == 0x80; ++i)
      value = (value << 6) | (text[i] & 0x3F);
  }
  return kColours[(static_cast<int>(value & 0xFF) - '0') & 7];
}

/* A cell for the terminal: colour codes become colours (or go, in a
 * pipe), the rest shows character by character; a text of more than
 * `limit` characters is cut to leave room for an ellipsis. `width` counts
 * what shows. */
std::string ShowCell(const std::string &raw, bool colour, size_t limit, size_t *width) {
  const std::string text = ServerTextToUtf8(raw);
  size_t characters = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t code = ColourCode(text, i);
    characters += code == 0 ? 1 : 0;
    i += code == 0 ? CharacterLength(text, i) : code;
  }
  const size_t shown = characters > limit ? limit - 1 : characters;
  std::string out;
  bool coloured = false;
  *width = 0;
  for (size_t i = 0; i < text.size() && *width < shown;) {
    if (const size_t code = ColourCode(text, i)) {
      if (colour) out += std::string("\033[") + Colour(text, i + 1) + "m";
      coloured = coloured || colour;
      i += code;
      continue;
    }
    const std::string_view character(text.data() + i, CharacterLength(text, i));
    out += IsControl(character) ? std::string_view("?") : character;
    ++*width;
    i += character.size();
  }
  if (shown < characters) {
    out += kEllipsis;
    ++*width;
  }
  return coloured ? out + "\033[0m" : out;
}

/* No server of this game counts past 999 (it has at most 64 slots); a
 * larger number is shown as such, whole in the JSON, so the other
 * columns keep their room. */
constexpr int kShownNumber = 999;
std::string Number(const std::optional<int> &n) {
  if (!n) return "?";
  return *n > kShownNumber ? std::to_string(kShownNumber) + "+" : std::to_string(*n);
}

std::string TypeCell(const std::optional<int> &game_type) {
  if (!game_type) return "?";
  const char *name = GameTypeName(*game_type);
  return name != nullptr ? name : "type " + Number(game_type);
}

/* The mark of a server that needs a password, after its players. */
constexpr char kPasswordMark[] = " pw";

/* The cells of a row; a server of another game has one cell over the
 * map, players and type columns, as its map and game types mean nothing
 * here (they would read as this game's). */
struct Row {
  std::vector<std::string> cells;
  bool spans = false;
  const ServerStatus *status = nullptr; /* its players go under it */
};

/* The players under a row start a little right of the server's name, so
 * that they do not read as servers. */
constexpr size_t kPlayerIndent = 2;

/* The widest players cell without bots told apart, "999+/999+ pw": a
 * split wider than that (numbers no server of this game reaches) would
 * take room from the name, and shows as the plain count instead. */
constexpr size_t kWidestPlayers = 12;

std::string PlayersCell(const ServerInfo &s) {
  const std::string max = "/" + Number(s.max_players);
  const std::string mark = s.needpass.value_or(false) ? kPasswordMark : "";
  const std::optional<int> humans = Humans(s), bots = Bots(s);
  if (humans && bots) {
    const std::string split = Number(humans) + "+" + Number(bots) + max + mark;
    if (split.size() <= kWidestPlayers) return split;
  }
  return Number(s.players) + max + mark;
}

Row RowOf(size_t index, const ServerInfo &s) {
  if (!s.answered)
    return {{std::to_string(index), s.reachable ? "(not answering)" : "(unreachable)", "", "", "",
             "", "-", FormatEndpoint(s.endpoint)}};
  char ping[32];
  std::snprintf(ping, sizeof ping, "%.0f ms", s.ping_ms);
  const std::string other = OtherGame(s.protocol, s.game);
  /* A favourite's name starts with a star, kept plain for pipes. */
  return {{std::to_string(index), s.favourite ? "*" + s.name : s.name, s.mod.value_or(""),
           other.empty() ? s.map : other, other.empty() ? PlayersCell(s) : "",
           other.empty() ? TypeCell(s.game_type) : "", ping, FormatEndpoint(s.endpoint)},
          !other.empty()};
}

constexpr size_t kNameColumn = 1, kModColumn = 2, kMapColumn = 3, kTypeColumn = 5, kPingColumn = 6;
constexpr size_t kTableWidth = 80, kGap = 2;
/* What the name, the mod and the map keep when the other columns are at
 * their widest (index 19999, "999+/999+ pw" players, "Objective",
 * "59999 ms", 255.255.255.255:65535): 55 columns and 7 gaps leave 11. */
constexpr size_t kMinName = 5, kMinMod = 3, kMinMap = 3;

size_t Width(const std::string &cell) {
  size_t width = 0;
  ShowCell(cell, false, std::string::npos, &width);
  return width;
}

/* How the room left by the other columns is shared: the mod gives way
 * first, to a fifth of it, then the map, to a third of what is left. */
void ShareRoom(size_t room, std::vector<size_t> *column) {
  size_t &name = (*column)[kNameColumn], &mod = (*column)[kModColumn], &map = (*column)[kMapColumn];
  if (name + mod + map <= room) return;
  mod = std::min(mod, std::max(kMinMod, room / 5));
  room = room > mod ? room - mod : 0;
  if (name + map <= room) return;
  const size_t after_name = room > name ? room - name : 0;
  map = std::min(map, std::max({kMinMap, room / 3, after_name}));
  name = std::max(kMinName, room > map ? room - map : 0);
}

}  // namespace

void PrintPlayers(const std::vector<Player> &players, size_t indent, bool colour,
                  std::ostream &out) {
  /* Scores and pings in columns of their own width; the name has the
   * rest of the line: at least 32 columns under a table, as neither
   * number passes 11 characters nor `#` 5. */
  size_t score = 0, ping = 0, name = 0;
  for (const Player &p : players) {
    score = std::max(score, std::to_string(p.score).size());
    ping = std::max(ping, std::to_string(p.ping).size());
    name = std::max(name, Width(p.name));
  }
  const size_t tail = kGap + std::strlen("score ") + score + kGap + std::strlen("ping ") + ping +
                      std::strlen(" ms");
  name = std::min(name,
                  kTableWidth > indent + tail + kMinName ? kTableWidth - indent - tail : kMinName);
  for (const Player &p : players) {
    size_t width = 0;
    const std::string shown = ShowCell(p.name, colour, name, &width);
    const std::string s = std::to_string(p.score), q = std::to_string(p.ping);
    out << std::string(indent, ' ') << shown << std::string(name - width + kGap, ' ') << "score "
        << std::string(score - s.size(), ' ') << s << std::string(kGap, ' ') << "ping "
        << std::string(ping - q.size(), ' ') << q << " ms\n";
  }
}

const char kEllipsis[] = "\xE2\x80\xA6";

/* Short enough for the table to fit 80 columns: at most 9 characters. */
const char *GameTypeName(int type) {
  static const char *const kNames[] = {"Single",   "Co-op", "Objective", "Stopwatch",
                                       "Campaign", "LMS",   "Map Vote"};
  return type >= 0 && static_cast<size_t>(type) < std::size(kNames) ? kNames[type] : nullptr;
}

std::string PlainText(std::string_view raw) {
  size_t width = 0;
  return ShowCell(std::string(raw), false, std::string::npos, &width);
}

std::string ServerTextToUtf8(std::string_view text) {
  return hostkit::Utf8OrWindows1252ToUtf8(text);
}

void SortFastestFirst(std::vector<ServerInfo> *servers) {
  std::stable_sort(servers->begin(), servers->end(), [](const ServerInfo &a, const ServerInfo &b) {
    if (a.answered != b.answered) return a.answered;
    return a.answered && a.ping_ms < b.ping_ms;
  });
}

void PrintTable(const std::vector<ServerInfo> &servers, bool colour, std::ostream &out) {
  std::vector<size_t> all(servers.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  PrintTable(servers, all, colour, out);
}

void PrintTable(const std::vector<ServerInfo> &servers, const std::vector<size_t> &shown,
                bool colour, std::ostream &out) {
  std::vector<Row> rows;
  rows.push_back({{"#", "Name", "Mod", "Map", "Players", "Type", "Ping", "Address"}});
  for (const size_t i : shown) {
    rows.push_back(RowOf(i, servers[i]));
    if (servers[i].status) rows.back().status = &*servers[i].status;
  }
  const size_t columns = rows[0].cells.size();
  auto is_text = [](size_t c) { return c == kNameColumn || c == kModColumn || c == kMapColumn; };

  /* First every cell whole, to learn the widths the texts would want; a
   * spanning cell is fitted once the columns it spans are known. */
  std::vector<size_t> column(columns, 0);
  size_t span = 0;
  for (const Row &row : rows)
    for (size_t c = 0; c < columns; ++c)
      if (row.spans && c == kMapColumn)
        span = std::max(span, Width(row.cells[c]));
      else
        column[c] = std::max(column[c], Width(row.cells[c]));
  size_t others = kGap * (columns - 1);
  for (size_t c = 0; c < columns; ++c) others += is_text(c) ? 0 : column[c];
  const size_t mins = kMinName + kMinMod + kMinMap;
  ShareRoom(kTableWidth > others + mins ? kTableWidth - others : mins, &column);
  /* The span's mark is not cut while the table or the name has room to
   * give. */
  const auto spanned = [&column] {
    return column[kMapColumn] + column[kMapColumn + 1] + column[kTypeColumn] + 2 * kGap;
  };
  size_t used = others + column[kNameColumn] + column[kModColumn] + column[kMapColumn];
  while (spanned() < span && (used < kTableWidth || column[kNameColumn] > kMinName)) {
    if (used < kTableWidth)
      ++used;
    else
      --column[kNameColumn];
    ++column[kMapColumn];
  }

  for (const Row &row : rows) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      const bool spanning = row.spans && c == kMapColumn;
      const size_t limit = spanning ? spanned() : column[c];
      size_t width = 0;
      const std::string cell = ShowCell(row.cells[c], colour && c == kNameColumn, limit, &width);
      const std::string pad(limit - width, ' ');
      /* Numbers to the right, text to the left. */
      line += c == 0 || c == kPingColumn ? pad + cell : cell + pad;
      line += c + 1 < columns ? std::string(kGap, ' ') : "";
      if (spanning) c = kTypeColumn;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
    if (row.status != nullptr)
      PrintPlayers(row.status->players, column[0] + kGap + kPlayerIndent, colour, out);
  }
}

json ToJson(const std::vector<ServerInfo> &servers, bool with_status) {
  json list = json::array();
  auto number = [](const std::optional<int> &n) { return n ? json(*n) : json(nullptr); };
  auto text = [](const std::optional<std::string> &t) {
    return t ? json(ServerTextToUtf8(*t)) : json(nullptr);
  };
  for (size_t i = 0; i < servers.size(); ++i) {
    const ServerInfo &s = servers[i];
    list.push_back({{"index", i},
                    {"address", FormatEndpoint(s.endpoint)},
                    {"answered", s.answered},
                    {"name", ServerTextToUtf8(s.name)},
                    {"map", ServerTextToUtf8(s.map)},
                    {"players", number(s.players)},
                    {"max_players", number(s.max_players)},
                    {"game_type", number(s.game_type)},
                    {"ping_ms", s.answered ? json(s.ping_ms) : json(nullptr)},
                    {"protocol", number(s.protocol)},
                    {"game", text(s.game)},
                    {"mod", text(s.mod)},
                    {"needpass", s.needpass ? json(*s.needpass) : json(nullptr)},
                    {"humans", number(Humans(s))},
                    {"bots", number(Bots(s))},
                    {"reachable", s.reachable},
                    {"joinable", IsThisGame(s)},
                    {"favourite", s.favourite}});
    if (!with_status) continue;
    json players = nullptr, rules = nullptr;
    if (s.status) {
      players = json::array();
      for (const Player &p : s.status->players)
        players.push_back(
            {{"name", ServerTextToUtf8(p.name)}, {"score", p.score}, {"ping", p.ping}});
      rules = json::object();
      for (const auto &[key, value] : s.status->rules)
        rules[ServerTextToUtf8(key)] = ServerTextToUtf8(value);
    }
    list.back()["player_list"] = players;
    list.back()["rules"] = rules;
  }
  return list;
}

std::string Dump(const json &value) {
  return value.dump(2, ' ', false, json::error_handler_t::replace);
}

std::string SummaryLine(const BrowseResult &result, const std::string &master, double seconds,
                        const ServerFilter &filter, const std::vector<size_t> &shown, bool kept) {
  const auto count = [&result](auto which) {
    return static_cast<size_t>(std::count_if(result.servers.begin(), result.servers.end(), which));
  };
  const size_t answered = count([](const ServerInfo &s) { return s.answered; });
  const size_t refused = count([](const ServerInfo &s) { return !s.answered && !s.reachable; });
  std::string line;
  if (filter.On())
    line = std::to_string(shown.size()) + " of " + std::to_string(result.servers.size()) +
           " servers shown (filters: " + filter.Typed() + "); ";
  line += std::to_string(result.servers.size()) + " servers listed by " + master + ", " +
          std::to_string(answered) + " answering, " +
          std::to_string(result.servers.size() - answered - refused) + " silent, " +
          std::to_string(refused) + " unreachable (" + SecondsText(seconds, 2) + ")";
  if (result.listed_past_cap > 0)
    line += "; " + std::to_string(result.listed_past_cap) + " more past the cap of " +
            std::to_string(result.max_servers) + " dropped";
  /* The legend and the hint only for what the table shows. */
  if (std::any_of(shown.begin(), shown.end(), [&result](size_t i) {
        const ServerInfo &s = result.servers[i];
        return s.needpass.value_or(false) && IsThisGame(s);
      }))
    line += "; pw: needs a password, which the launch cannot carry";
  if (!shown.empty() && kept) line += "; join one with: wolfet-host join --pick N";
  return line;
}

std::vector<std::string> LimitNotes(const BrowseResult &result) {
  std::vector<std::string> notes;
  if (result.master_answered && !result.list_complete)
    notes.push_back(
        "the master's list did not end before the deadline; there may be more servers than "
        "these");
  if (result.listed_past_cap > 0)
    notes.push_back("the master listed " + std::to_string(result.listed_past_cap) +
                    " more servers past the cap of " + std::to_string(result.max_servers) +
                    "; they are dropped: neither asked nor listed");
  if (result.answers_dropped > 0)
    notes.push_back(std::to_string(result.answers_dropped) +
                    " answers came from no listed server or to no request of ours; they are "
                    "dropped");
  return notes;
}

}  // namespace wolfet_host
