#include "server_filter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iterator>

#include "display.h"
#include "validate.h"

namespace wolfet_host {
namespace {

/* A ping limit past the longest --timeout would keep every server. */
constexpr double kMaxPingMs = 60000;

/* Case aside for ASCII only: the bytes past it are UTF-8 and stay. */
std::string Folded(std::string_view raw) {
  std::string text = PlainText(raw);
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

/* The players, the map and the game type of a server of another game are
 * that game's, which the table does not show: a filter on them leaves
 * such a server out, as it leaves out one that did not say them. */
bool ShowsPlayers(const ServerInfo &s) {
  return s.answered && IsThisGame(s) && s.players && s.max_players;
}
bool ThisGame(const ServerInfo &s) { return s.answered && IsThisGame(s); }
bool Holds(const std::string &raw, const FilterValue &v) {
  return Folded(raw).find(v.text) != std::string::npos;
}

std::string GameTypeNames() {
  std::string names;
  for (int type = 0; const char *name = GameTypeName(type); ++type)
    names += (names.empty() ? "" : ", ") + std::string(name);
  return names;
}

/* A text that names what the filter compares with; an empty one would
 * keep every server that says anything. */
std::string ReadName(const std::string &typed, FilterValue *v) {
  if (typed.empty()) return "an empty text would keep every server; give part of a name";
  v->text = Folded(typed);
  return "";
}

std::string ReadGameType(const std::string &typed, FilterValue *v) {
  const std::optional<int> type = ParseGameType(typed);
  if (!type)
    return "'" + typed + "' is not a game type; give one of " + GameTypeNames() + ", or its number";
  v->number = *type;
  return "";
}

std::string ReadMilliseconds(const std::string &typed, FilterValue *v) {
  double value = 0;
  const std::string range = "[0 - 60000]";
  if (!ParseDecimal(typed, &value))
    return "'" + typed + "' is not a number of milliseconds; give one in " + range;
  if (value < 0 || value > kMaxPingMs)
    return "Value " + typed + " not in range " + range + " milliseconds";
  v->number = value;
  return "";
}

const std::vector<FilterKind> kKinds = {
    {"--not-full", nullptr, "Show only servers with a free slot", false, nullptr,
     [](const ServerInfo &s, const FilterValue &) {
       return ShowsPlayers(s) && *s.players < *s.max_players;
     }},
    /* Bots make no game for a player looking for people to play with. */
    {"--not-empty", nullptr,
     "Show only servers with someone on (bots are no one, where they are told apart)", false,
     nullptr,
     [](const ServerInfo &s, const FilterValue &) {
       return ShowsPlayers(s) && Humans(s).value_or(*s.players) > 0;
     }},
    /* Part of the map's name, as maps come in versions (goldrush,
     * sw_goldrush_te). */
    {"--map", "NAME", "Show only servers whose map's name holds NAME", false, ReadName,
     [](const ServerInfo &s, const FilterValue &v) { return ThisGame(s) && Holds(s.map, v); }},
    /* The mod's whole name, as etpro is not etmain. */
    {"--mod", "NAME", "Show only servers running mod NAME (etmain, legacy, ...)", false, ReadName,
     [](const ServerInfo &s, const FilterValue &v) {
       return s.answered && s.mod && Folded(*s.mod) == v.text;
     }},
    {"--game-type", "TYPE",
     "Show only servers of this game type: " + GameTypeNames() + ", or its number", false,
     ReadGameType,
     [](const ServerInfo &s, const FilterValue &v) {
       return ThisGame(s) && s.game_type == static_cast<int>(v.number);
     }},
    /* A server that does not say whether it needs a password may need
     * one: only those that say they do not are kept. */
    {"--no-password", nullptr, "Show only servers that say they need no password", false, nullptr,
     [](const ServerInfo &s, const FilterValue &) { return ThisGame(s) && s.needpass == false; }},
    {"--max-ping", "MS", "Show only servers with a ping up to MS", false, ReadMilliseconds,
     [](const ServerInfo &s, const FilterValue &v) { return s.answered && s.ping_ms <= v.number; }},
    /* A player is found by part of the name, colour codes stripped and
     * case aside, as one remembers a name without its colours or clan
     * tag: "fox" finds "^1[TC]^7Fox". */
    {"--player", "NAME",
     "Show only servers where a player whose name holds NAME is on (colour codes and case "
     "aside); asks each server for its status",
     true, ReadName,
     [](const ServerInfo &s, const FilterValue &v) {
       return s.status && std::any_of(s.status->players.begin(), s.status->players.end(),
                                      [&v](const Player &p) { return Holds(p.name, v); });
     }},
};

}  // namespace

const std::vector<FilterKind> &FilterKinds() { return kKinds; }

std::optional<ServerSort> ParseServerSort(std::string_view text) {
  if (text == "ping") return ServerSort::kPing;
  if (text == "players") return ServerSort::kPlayers;
  if (text == "name") return ServerSort::kName;
  if (text == "map") return ServerSort::kMap;
  return std::nullopt;
}

std::optional<int> ParseGameType(std::string_view text) {
  constexpr int kMaxNumber = 99999; /* as far as the info response is read */
  int number = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (!text.empty() && error == std::errc() && end == text.data() + text.size())
    return number >= 0 && number <= kMaxNumber ? std::optional<int>(number) : std::nullopt;
  const std::string wanted = Folded(text);
  for (int type = 0; const char *name = GameTypeName(type); ++type)
    if (Folded(name) == wanted) return type;
  return std::nullopt;
}

std::string ServerFilter::Add(std::string_view option, const std::string &typed) {
  for (const FilterKind &kind : kKinds) {
    if (option != kind.option) continue;
    Chosen c{&kind, typed, {}};
    if (kind.read != nullptr)
      if (std::string why = kind.read(typed, &c.value); !why.empty()) return why;
    /* In the table's order, whatever the order typed. */
    auto at = std::find_if(chosen.begin(), chosen.end(),
                           [&kind](const Chosen &o) { return o.kind > &kind; });
    chosen.insert(at, std::move(c));
    return "";
  }
  return std::string(option) + " is no filter";
}

bool ServerFilter::NeedsStatus() const {
  return std::any_of(chosen.begin(), chosen.end(),
                     [](const Chosen &c) { return c.kind->needs_status; });
}

std::string ServerFilter::Typed() const {
  std::string typed;
  for (const Chosen &c : chosen) {
    typed += (typed.empty() ? "" : " ") + std::string(c.kind->option);
    if (c.kind->read == nullptr) continue;
    const bool quote = c.typed.find(' ') != std::string::npos;
    typed += " " + (quote ? "'" + c.typed + "'" : c.typed);
  }
  return typed;
}

void SortServers(ServerSort sort, std::vector<ServerInfo> *servers) {
  SortFastestFirst(servers);
  /* The silent ones have nothing to be sorted by, and stay last. */
  const auto by =
      [servers](const std::function<bool(const ServerInfo &, const ServerInfo &)> &less) {
        std::stable_sort(servers->begin(), servers->end(),
                         [&less](const ServerInfo &a, const ServerInfo &b) {
                           if (a.answered != b.answered) return a.answered;
                           return a.answered && less(a, b);
                         });
      };
  switch (sort) {
    case ServerSort::kPing:
      break;
    case ServerSort::kPlayers:
      by([](const ServerInfo &a, const ServerInfo &b) {
        return a.players.value_or(-1) > b.players.value_or(-1);
      });
      break;
    case ServerSort::kName:
      by([](const ServerInfo &a, const ServerInfo &b) { return Folded(a.name) < Folded(b.name); });
      break;
    case ServerSort::kMap:
      by([](const ServerInfo &a, const ServerInfo &b) { return Folded(a.map) < Folded(b.map); });
      break;
  }
}

std::vector<size_t> Filter(const std::vector<ServerInfo> &servers, const ServerFilter &filter) {
  std::vector<size_t> shown;
  for (size_t i = 0; i < servers.size(); ++i)
    if (std::all_of(filter.chosen.begin(), filter.chosen.end(), [&](const ServerFilter::Chosen &c) {
          return c.kind->keep(servers[i], c.value);
        }))
      shown.push_back(i);
  return shown;
}

}  // namespace wolfet_host
