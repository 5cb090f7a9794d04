// The census of this process's children that proves a launch left nothing
// behind, and a sandbox of engine folders with the stand-in game.
#ifndef TESTS_SUPPORT_SANDBOX_H
#define TESTS_SUPPORT_SANDBOX_H

#include <errno.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "host.h"
#include "platform/platform.h"
#include "support/files.h"
#include "support/loaded_plugin.h"

// Empty in a build without the stand-in game, where the suites that need it skip.
#ifndef SDLL_FAKE_GAME_PATH
#define SDLL_FAKE_GAME_PATH ""
#endif

// Processes whose parent is this test, zombies included.
inline std::vector<pid_t> Children() {
  std::vector<pid_t> children;
  for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    if (fields >> state >> parent && parent == getpid())
      children.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
  }
  return children;
}

// The desktop highlight as the plug-in's platform layer sees it.
inline uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }
inline void SetHighlight(uint32_t colour) {
  platform::SetSystemColour(platform::kColourHighlight, colour);
}

// A loaded plug-in and a scratch folder whose engine folder "game/" is the
// "enginepath"; the game reports to root/record and ends at once unless a
// test says otherwise, and is stopped and reaped before the folder goes.
class GameSandbox : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    if (HasFatalFailure()) return;
    if (std::string(SDLL_FAKE_GAME_PATH).empty()) GTEST_SKIP() << "built without the stand-in game";
    root = MakeScratch();
    ASSERT_NE(root, "") << "a scratch folder";
    setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
    setenv("FAKE_ET_RUN_MS", "0", 1);
    setenv("FAKE_ET_RECORD", (root + "/record").c_str(), 1);
    unsetenv("FAKE_ET_SET_COLOUR");
    engine = AddEngine("game");
    SetEngine("general", "enginepath", engine);
    descriptors = CountDescriptors();
  }
  void TearDown() override {
    if (root.empty()) return;
    for (pid_t child : Children()) kill(child, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0) continue;
    // Some tests take write rights away, which std::filesystem cannot undo.
    ASSERT_EQ(std::system(("chmod -R u+rwx '" + root + "' && rm -rf '" + root + "'").c_str()), 0)
        << "the scratch folder goes";
  }

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
  std::string Record() const {
    Until([&] { return std::filesystem::exists(root + "/record"); });
    return ReadFile(root + "/record");
  }
  // Every game collected and every descriptor the plug-in opened closed.
  void ExpectNothingLeft() {
    EXPECT_TRUE(Children().empty()) << "no game still runs";
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child is left to collect";
    EXPECT_EQ(errno, ECHILD) << "because there is none, not because the wait failed";
    EXPECT_EQ(CountDescriptors(), descriptors) << "every descriptor opened is closed";
  }

  std::string root;    // the scratch folder, without a trailing '/'
  std::string engine;  // root/game/
  size_t descriptors = 0;
};

#endif
