#include "server_filter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <iterator>

#include "display.h"

namespace wolfet_host {
namespace {

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

}  // namespace

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
  const std::optional<std::string> map =
      filter.map ? std::optional<std::string>(Folded(*filter.map)) : std::nullopt;
  const std::optional<std::string> mod =
      filter.mod ? std::optional<std::string>(Folded(*filter.mod)) : std::nullopt;
  /* A player is found by part of the name, colour codes stripped and
   * case aside, as one remembers a name without its colours or clan tag:
   * "fox" finds "^1[TC]^7Fox". An empty NAME is refused where it is typed. */
  const std::optional<std::string> player =
      filter.player ? std::optional<std::string>(Folded(*filter.player)) : std::nullopt;
  std::vector<size_t> shown;
  for (size_t i = 0; i < servers.size(); ++i) {
    const ServerInfo &s = servers[i];
    const bool this_game = s.answered && IsThisGame(s);
    if (filter.not_full && !(ShowsPlayers(s) && *s.players < *s.max_players)) continue;
    /* Bots make no game for a player looking for people to play with. */
    if (filter.not_empty && !(ShowsPlayers(s) && Humans(s).value_or(*s.players) > 0)) continue;
    /* A server that does not say whether it needs a password may need
     * one: only those that say they do not are kept. */
    if (filter.no_password && !(this_game && s.needpass == false)) continue;
    /* Part of the map's name, as maps come in versions (goldrush,
     * sw_goldrush_te); the mod's whole name, as etpro is not etmain. */
    if (map && !(this_game && Folded(s.map).find(*map) != std::string::npos)) continue;
    if (mod && !(s.answered && s.mod && Folded(*s.mod) == *mod)) continue;
    if (filter.game_type && !(this_game && s.game_type == filter.game_type)) continue;
    if (filter.max_ping_ms && !(s.answered && s.ping_ms <= *filter.max_ping_ms)) continue;
    if (player && !(s.status && std::any_of(s.status->players.begin(), s.status->players.end(),
                                            [&player](const Player &p) {
                                              return Folded(p.name).find(*player) !=
                                                     std::string::npos;
                                            })))
      continue;
    shown.push_back(i);
  }
  return shown;
}

}  // namespace wolfet_host
