// A sandbox of engine folders with the stand-in game, on either system,
// and the census that proves a launch left nothing behind.
#ifndef TESTS_SUPPORT_SANDBOX_H
#define TESTS_SUPPORT_SANDBOX_H

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <functional>
#include <string>
#include <vector>

#include "host.h"
#include "platform/platform.h"
#include "support/faults.h"
#include "support/files.h"
#include "support/loaded_plugin.h"
#include "text.h"

// Empty in a build without the stand-in game, where the suites that need it skip.
#ifndef SDLL_FAKE_GAME_PATH
#define SDLL_FAKE_GAME_PATH ""
#endif

#ifndef _WIN32
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
#endif

// The desktop highlight as the plug-in's platform layer sees it.
inline uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }
inline void SetHighlight(uint32_t colour) {
  platform::SetSystemColour(platform::kColourHighlight, colour);
}

// What the games this process starts find in their environment; null: unset.
inline void SetEnv(const char *name, const char *value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  if (value != nullptr)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

// A row of the fault tables: what goes wrong, and how it is made to.
struct Arranged {
  const char *what;
  std::function<void()> arrange;
};

// A loaded plug-in and a scratch folder whose engine folder "game/" is the
// "enginepath"; the game reports to root/record and ends at once unless a
// test says otherwise, and is ended before the folder goes. The exports a
// test drives are the loaded library's, or after UseCore() the linked-in
// core's, whose system calls `faults` may swap.
class GameSandbox : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    if (HasFatalFailure()) return;
    if (std::string(SDLL_FAKE_GAME_PATH).empty()) GTEST_SKIP() << "built without the stand-in game";
    root = MakeScratch();
    ASSERT_NE(root, "") << "a scratch folder";
    SetEnv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str());
    SetEnv("FAKE_ET_RUN_MS", "0");
    SetEnv("FAKE_ET_RECORD", (root + "/record").c_str());
    SetEnv("FAKE_ET_SET_COLOUR", nullptr);
    engine = AddEngine("game");
    UseEngine(engine);
#ifndef _WIN32
    descriptors = CountDescriptors();
#endif
  }
  void TearDown() override {
    if (root.empty()) return;
#ifdef _WIN32
    // A game told to quit may hold its working folder a moment longer.
    for (const auto &folder : std::filesystem::directory_iterator(root))
      if (folder.is_directory()) WriteFile((folder.path() / "quit").string(), "");
    std::error_code failed;
    EXPECT_TRUE(Until([&] {
      std::filesystem::remove_all(root, failed);
      return !failed;
    })) << root
        << ": " << failed.message();
#else
    for (pid_t child : Children()) kill(child, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0) continue;
    // Some tests take write rights away, which std::filesystem cannot undo.
    ASSERT_EQ(std::system(("chmod -R u+rwx '" + root + "' && rm -rf '" + root + "'").c_str()), 0)
        << "the scratch folder goes";
#endif
  }

  // The linked-in core, set up as the host sets up the library.
  void UseCore() {
    for (uint32_t slot = 0; slot < kSlotCount; ++slot)
      SDLL_InitCall(slot, hostkit::ServiceFor(slot));
    SDLL_Init(kContext, nullptr, nullptr);
    core_ = true;
  }
  const hostkit::Exports &exports() const { return core_ ? kCore : plugin(); }

  // root/name/, in the system's own spelling, with its separator.
  std::string AddEngine(const std::string &name) {
    return Native(MakeEngine(root, name, Native(SDLL_FAKE_GAME_PATH)));
  }
  // The host keeps texts in UTF-8; this system's paths are in its code page.
  void UseEngine(const std::string &folder) {
#ifdef _WIN32
    SetEngine("general", "enginepath", hostkit::Windows1252ToUtf8(folder));
#else
    SetEngine("general", "enginepath", folder);
#endif
  }
  void HostGame(const char *player = "Player", const unsigned char *list = nullptr) {
    exports().LaunchMultiplayer(kContentFlags, 3, 3, 0, list, player);
  }
  bool PollUntilEnded() {
    return Until([&] { return exports().MultiplayerFinished(); });
  }
  // `folder` as a game started in it names its working folder: in UTF-8,
  // without the separator at the end.
  static std::string WorkingFolder(const std::string &folder) {
#ifdef _WIN32
    return hostkit::Windows1252ToUtf8(folder.substr(0, folder.size() - 1));
#else
    return std::filesystem::canonical(folder).string();
#endif
  }
  // What the game reported, once it has (empty if not in time). Under Wine
  // the report can be there a moment before it can be read.
  std::string Record() const {
    std::string record;
    Until([&] { return !(record = ReadFile(root + "/record")).empty(); });
    return record;
  }
  // Every game collected and everything the layer opened closed.
  void ExpectNothingLeft() {
#ifdef _WIN32
    EXPECT_EQ(faults.Unclosed(), 0) << "every search and process handle is closed, once";
#else
    EXPECT_TRUE(Children().empty()) << "no game still runs";
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child is left to collect";
    EXPECT_EQ(errno, ECHILD) << "because there is none, not because the wait failed";
    EXPECT_EQ(CountDescriptors(), descriptors) << "every descriptor opened is closed";
#endif
  }

  Faults faults;
  std::string root;    // the scratch folder, without a trailing separator
  std::string engine;  // root/game/
  size_t descriptors = 0;

 private:
  static constexpr hostkit::Exports kCore = {SDLL_InitCall,           SDLL_Init,
                                             SDLL_LoadConfiguration,  SDLL_EngineConfig,
                                             SDLL_Verification,       SDLL_LaunchMultiplayer,
                                             SDLL_MultiplayerFinished};
  bool core_ = false;
};

#endif
