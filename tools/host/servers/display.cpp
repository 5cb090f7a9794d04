#include "display.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>

#include "schema_view.h"

namespace wolfet_host {
namespace {

using nlohmann::json;

/* Server names may carry any byte; a control character would steer the
 * terminal, so it shows as '?' (C1 ones too, should the conversion give
 * one). */
std::string ShownCharacter(char c) {
  const std::string shown = GameTextToUtf8(std::string_view(&c, 1));
  const auto byte = [&shown](size_t i) { return static_cast<unsigned char>(shown[i]); };
  const bool control = shown.empty() || byte(0) < 0x20 || byte(0) == 0x7F ||
                       (byte(0) == 0xC2 && shown.size() > 1 && byte(1) < 0xA0);
  return control ? "?" : shown;
}

/* A cell for the terminal: ^0-^9 become colours (or go, in a pipe), the
 * rest shows character by character up to `limit`. `width` counts what
 * shows. */
std::string ShowCell(const std::string &text, bool colour, size_t limit, size_t *width) {
  static const char *const kColours[] = {"30", "31", "32", "33",       "34",
                                         "36", "35", "37", "38;5;208", "90"};
  std::string out;
  bool coloured = false;
  *width = 0;
  for (size_t i = 0; i < text.size() && *width < limit; ++i) {
    const char c = text[i];
    if (c == '^' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') {
      if (colour)
        out += std::string("\033[") + kColours[text[++i] - '0'] + "m";
      else
        ++i;
      coloured = coloured || colour;
      continue;
    }
    out += ShownCharacter(c);
    ++*width;
  }
  return coloured ? out + "\033[0m" : out;
}

const char *GameTypeName(int type) {
  static const char *const kNames[] = {"Single Player", "Co-op",    "Objective",
                                       "Stopwatch",     "Campaign", "Last Man Standing",
                                       "Map Voting"};
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

constexpr size_t kNameColumn = 1, kPingColumn = 5;
constexpr size_t kNameWidth = 32, kCellWidth = 24;

}  // namespace

std::string GameTextToUtf8(std::string_view text) { return Cp1252ToUtf8(text); }

void SortFastestFirst(std::vector<ServerInfo> *servers) {
  std::stable_sort(servers->begin(), servers->end(), [](const ServerInfo &a, const ServerInfo &b) {
    if (a.answered != b.answered) return a.answered;
    return a.answered && a.ping_ms < b.ping_ms;
  });
}

void PrintTable(const std::vector<ServerInfo> &servers, bool colour, std::ostream &out) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::vector<size_t>> widths;
  rows.push_back({"#", "Name", "Map", "Players", "Type", "Ping", "Address"});
  for (size_t i = 0; i < servers.size(); ++i) rows.push_back(Row(i, servers[i]));
  std::vector<size_t> column(rows[0].size(), 0);
  for (auto &row : rows) {
    widths.emplace_back();
    for (size_t c = 0; c < row.size(); ++c) {
      size_t width = 0;
      const bool name = c == kNameColumn;
      row[c] = ShowCell(row[c], colour && name, name ? kNameWidth : kCellWidth, &width);
      widths.back().push_back(width);
      column[c] = std::max(column[c], width);
    }
  }
  for (size_t r = 0; r < rows.size(); ++r) {
    std::string line;
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const std::string pad(column[c] - widths[r][c], ' ');
      /* Numbers to the right, text to the left. */
      line += c == 0 || c == kPingColumn ? pad + rows[r][c] : rows[r][c] + pad;
      line += c + 1 < rows[r].size() ? "  " : "";
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
                    {"name", s.name},
                    {"map", s.map},
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
