#include "display.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>

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

/* The game's colours ^0-^9 on a terminal. Black (^0) and white (^7) both
 * become the terminal's own text colour: either would vanish on one of
 * the two kinds of background, and that colour is readable on its own
 * background by design. Blue is the bright one, which a dark background
 * does not swallow. */
const char *const kColours[] = {"39", "31", "32", "33", "94", "36", "35", "39", "38;5;208", "90"};

bool IsColourCode(const std::string &text, size_t i) {
  return text[i] == '^' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9';
}

/* A cell for the terminal: ^0-^9 become colours (or go, in a pipe), the
 * rest shows character by character; a text of more than `limit`
 * characters is cut to leave room for an ellipsis. `width` counts what
 * shows. */
std::string ShowCell(const std::string &raw, bool colour, size_t limit, size_t *width) {
  const std::string text = ServerTextToUtf8(raw);
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); i += IsColourCode(text, i) ? 2 : CharacterLength(text, i))
    characters += IsColourCode(text, i) ? 0 : 1;
  const size_t shown = characters > limit ? limit - 1 : characters;
  std::string out;
  bool coloured = false;
  *width = 0;
  for (size_t i = 0; i < text.size() && *width < shown;) {
    if (IsColourCode(text, i)) {
      if (colour) out += std::string("\033[") + kColours[text[i + 1] - '0'] + "m";
      coloured = coloured || colour;
      i += 2;
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

/* Short enough for the table to fit 80 columns: at most 9 characters. */
const char *GameTypeName(int type) {
  static const char *const kNames[] = {"Single",   "Co-op", "Objective", "Stopwatch",
                                       "Campaign", "LMS",   "Map Vote"};
  return type >= 0 && static_cast<size_t>(type) < std::size(kNames) ? kNames[type] : nullptr;
}

std::string TypeCell(const std::optional<int> &game_type) {
  if (!game_type) return "?";
  const char *name = GameTypeName(*game_type);
  return name != nullptr ? name : "type " + std::to_string(*game_type);
}

std::vector<std::string> Row(size_t index, const ServerInfo &s) {
  if (!s.answered)
    return {std::to_string(index), "(not answering)", "", "", "", "-", FormatEndpoint(s.endpoint)};
  auto number = [](const std::optional<int> &n) { return n ? std::to_string(*n) : "?"; };
  char ping[32];
  std::snprintf(ping, sizeof ping, "%.0f ms", s.ping_ms);
  return {std::to_string(index),
          s.name,
          s.map,
          number(s.players) + "/" + number(s.max_players),
          TypeCell(s.game_type),
          ping,
          FormatEndpoint(s.endpoint)};
}

constexpr size_t kNameColumn = 1, kMapColumn = 2, kPingColumn = 5;
constexpr size_t kTableWidth = 80, kGap = 2;
/* What the name and the map keep when the other columns are at their
 * widest (index 19999, 99999/99999 players, "type 99999", "59999 ms",
 * 255.255.255.255:65535): 55 columns and 6 gaps leave 13. */
constexpr size_t kMinName = 8, kMinMap = 5;

}  // namespace

const char kEllipsis[] = "\xE2\x80\xA6";

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
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"#", "Name", "Map", "Players", "Type", "Ping", "Address"});
  for (size_t i = 0; i < servers.size(); ++i) rows.push_back(Row(i, servers[i]));
  const size_t columns = rows[0].size();
  auto is_text = [](size_t c) { return c == kNameColumn || c == kMapColumn; };

  /* First every cell whole, to learn the widths the texts would want. */
  std::vector<size_t> column(columns, 0);
  for (const auto &row : rows)
    for (size_t c = 0; c < columns; ++c) {
      size_t width = 0;
      ShowCell(row[c], false, std::string::npos, &width);
      column[c] = std::max(column[c], width);
    }
  size_t others = kGap * (columns - 1);
  for (size_t c = 0; c < columns; ++c) others += is_text(c) ? 0 : column[c];
  const size_t room =
      kTableWidth > others + kMinName + kMinMap ? kTableWidth - others : kMinName + kMinMap;
  if (column[kNameColumn] + column[kMapColumn] > room) {
    /* The map gives way first, down to a third of the room. */
    const size_t after_name = room > column[kNameColumn] ? room - column[kNameColumn] : 0;
    column[kMapColumn] = std::min(column[kMapColumn], std::max({kMinMap, room / 3, after_name}));
    column[kNameColumn] = std::max(kMinName, room - column[kMapColumn]);
  }

  for (const auto &row : rows) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      size_t width = 0;
      const std::string cell = ShowCell(row[c], colour && c == kNameColumn, column[c], &width);
      const std::string pad(column[c] - width, ' ');
      /* Numbers to the right, text to the left. */
      line += c == 0 || c == kPingColumn ? pad + cell : cell + pad;
      line += c + 1 < columns ? std::string(kGap, ' ') : "";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
}

json ToJson(const std::vector<ServerInfo> &servers) {
  json list = json::array();
  auto number = [](const std::optional<int> &n) { return n ? json(*n) : json(nullptr); };
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
                    {"ping_ms", s.answered ? json(s.ping_ms) : json(nullptr)}});
  }
  return list;
}

std::string Dump(const json &value) {
  return value.dump(2, ' ', false, json::error_handler_t::replace);
}

}  // namespace wolfet_host
