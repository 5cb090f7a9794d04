// What the file and process tests share: the census of this process's
// children that proves a launch left nothing behind, and a sandbox of
// engine folders with the stand-in game.
#ifndef TESTS_SUPPORT_SANDBOX_H
#define TESTS_SUPPORT_SANDBOX_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "host.h"
#include "support/files.h"
#include "support/loaded_plugin.h"

// The stand-in game; empty in a build without the tools, where the
// suites that need it skip.
#ifndef SDLL_FAKE_GAME_PATH
#define SDLL_FAKE_GAME_PATH ""
#endif

// Processes whose parent is this test, zombies included.
std::vector<pid_t> Children();

// The desktop highlight as the plug-in's platform layer sees it.
uint32_t Highlight();
void SetHighlight(uint32_t colour);

// A loaded plug-in and a scratch folder with an engine folder "game/" that
// holds etmain/ and the stand-in game, set as "enginepath", with a colour
// file of its own; the game reports to root/record and ends at once
// unless a test says otherwise. Every game still running at the end is
// stopped and reaped before the folder goes.
class GameSandbox : public LoadedPlugin {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string AddEngine(const std::string &name) {
    return MakeEngine(root, name, SDLL_FAKE_GAME_PATH);
  }
  void HostGame(const char *player = "Player", const unsigned char *list = nullptr) {
    plugin().LaunchMultiplayer(0x4000, 3, 3, 0, list, player);
  }
  bool PollUntilEnded() {
    return Until([&] { return plugin().MultiplayerFinished(); });
  }
  // What the game reported, once it has (empty if not in time).
  std::string Record() const;
  // Every game collected and every descriptor the plug-in opened closed.
  void ExpectNothingLeft();

  std::string root;    // the scratch folder, without a trailing '/'
  std::string engine;  // root/game/
  size_t descriptors = 0;
};

#endif
