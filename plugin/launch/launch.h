/*
 * The multiplayer launch and the poll for the game's end, and the launch
 * state the two share.
 */
#ifndef SDLL_LAUNCH_LAUNCH_H
#define SDLL_LAUNCH_LAUNCH_H

#include <cstddef>
#include <cstdint>

#include "../platform/platform.h"

namespace sdll {

/* Zero at load; every launch writes both fields, the poll clears only the
 * handle. The saved colour is element 13 as it was just before the game
 * started. */
struct LaunchState {
  uint32_t saved_highlight_colour = 0;
  platform::ProcessHandle game_process = nullptr;
};

LaunchState &Launch();

/* Room PickServerEntry needs: 255 text bytes and the NUL. */
constexpr int kServerEntrySize = 256;

/* Copies the text of server entry `index` of the packed list (16-bit
 * signed little-endian length, then that many bytes, entry after entry)
 * into `buffer`, NUL-terminated. Index 0 or below picks the first entry. */
void PickServerEntry(const unsigned char *server_list, int32_t index,
                     char (&buffer)[kServerEntrySize]);

/* The length of the map name that starts a "map" setting such as
 * "mapone - First Map": the bytes before its first space, or when it has
 * none, before its first '-'. `map_text` is never null: the launch cuts
 * only a map setting it was given. A host that shows or checks a map
 * setting asks this rather than restating the rule. */
size_t MapNameLength(const char *map_text);

}  // namespace sdll

#endif
