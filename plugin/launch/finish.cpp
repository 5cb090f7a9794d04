/*
 * SDLL_MultiplayerFinished: the host's poll for the end of the game that
 * the last launch started.
 */
#include <sdll/sdll.h>

#include "../platform/platform.h"
#include "launch.h"

extern "C" {

/*
 * A running game (or a wait that fails) answers 0 and changes nothing.
 * Otherwise the colour saved at the last launch goes back first, then the
 * game is forgotten, then 1: also when no game is known, which puts the
 * saved colour back again (black before any launch). The handle is closed
 * as it is forgotten, so no ended game keeps one open.
 */
SDLL_EXPORT int32_t SDLL_CDECL SDLL_MultiplayerFinished(void) {
  constexpr uint32_t kPollMilliseconds = 1;
  sdll::LaunchState &state = sdll::Launch();
  if (state.game_process != nullptr &&
      !platform::WaitForProcessEnd(state.game_process, kPollMilliseconds))
    return 0;
  platform::SetSystemColour(platform::kColourHighlight, state.saved_highlight_colour);
  platform::CloseProcess(state.game_process);
  state.game_process = nullptr;
  return 1;
}

}  // extern "C"
