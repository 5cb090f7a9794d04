// The multiplayer launch and the poll for the game's end, through the loaded
// library, in a sandbox engine folder with the stand-in game as et.exe.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/posix_syscalls.h"
#include "support/loaded_plugin.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void Touch(const std::string &path) { std::ofstream(path) << ""; }

uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }
void SetHighlight(uint32_t colour) {
  platform::SetSystemColour(platform::kColourHighlight, colour);
}

int CountChildren() { return static_cast<int>(Children().size()); }

// A packed server list: 16-bit little-endian length, then the bytes.
void AddEntry(std::vector<unsigned char> *list, int16_t length, const std::string &text) {
  list->push_back(static_cast<unsigned char>(length & 0xFF));
  list->push_back(static_cast<unsigned char>((length >> 8) & 0xFF));
  list->insert(list->end(), text.begin(), text.end());
}
void AddEntry(std::vector<unsigned char> *list, const std::string &text) {
  AddEntry(list, static_cast<int16_t>(text.size()), text);
}

class Launch : public GameSandbox {
 protected:
  void SetUp() override {
    GameSandbox::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    engine = MakeEngine("game");
    UseEngine(engine);
  }

  // An engine folder named `name` in the sandbox, with its trailing separator.
  std::string MakeEngine(const std::string &name) {
    return GameSandbox::MakeEngine(root + "/" + name + "/");
  }

  // Points "enginepath" at `folder`; the game started there reports to record().
  void UseEngine(const std::string &folder) {
    SetEngine("general", "enginepath", folder);
    setenv("FAKE_ET_RECORD", (folder + "record").c_str(), 1);
  }

  void HostGame(const char *player = "Player", const unsigned char *list = nullptr) {
    plugin().LaunchMultiplayer(0x4000, 3, 3, 0, list, player);
  }
  void Join(int32_t index, const unsigned char *list) {
    plugin().LaunchMultiplayer(0x4000, index, 99, 0, list, "P");
  }

  std::string Script() const { return ReadFile(engine + "etmain/launch.cfg"); }

  // The stand-in game's report, once it has written it (a few seconds at most).
  static std::string AwaitRecord(const std::string &folder) { return AwaitFile(folder + "record"); }

  bool PollUntilEnded() { return ::PollUntilEnded(plugin()); }

  std::string engine;
};

TEST_F(Launch, HostedWorkedExampleWritesFiveLinesAfterTheReadsInOrder) {
  SetGame("general", "type", "0");
  SetGame("general", "allowdownload", "1");
  SetGame("general", "map", "mapone - First Map");
  std::ofstream(engine + "etmain/launch.cfg") << "old script";
  std::vector<unsigned char> list;
  AddEntry(&list, "unused:1");
  HostGame("Player", list.data());  // equal indices host even with a list

  EXPECT_EQ(Script(),
            "name Player\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
            "set sv_hostname ^1Orvanta Server\r\nmap mapone\r\n");
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg.bak"), "old script");

  const std::string ctx = std::to_string(kContext);
  auto game_int = [&](const char *key) {
    return hostkit::Call{"HostGetGameInteger", {ctx, "general", key}};
  };
  const std::vector<hostkit::Call> expected = {
      {"HostGetEngineString", {ctx, "general", "enginepath"}},
      {"HostGetEngineString", {ctx, "general", "parameters"}},
      game_int("type"),
      game_int("type"),
      game_int("type"),
      game_int("type"),
      game_int("allowdownload"),
      game_int("type"),
      {"HostGetGameString", {ctx, "general", "map"}},
  };
  EXPECT_EQ(host.calls(), expected);
}

TEST_F(Launch, GameTypesDownloadMapCutsAndNamesAreWrittenAsGiven) {
  struct Case {
    const char *type, *download, *map, *player, *script;
  } cases[] = {
      {"1", "0", "maptwo-Second", "Player", "name Player\r\ng_gametype 3\r\nmap maptwo\r\n"},
      {"2", "2", "a-b x", "Player", "name Player\r\ng_gametype 5\r\nmap a-b\r\n"},
      {"3", "1", " lead", "Player",
       "name Player\r\ng_gametype 4\r\nset sv_wwwDownload 1\r\nmap \r\n"},
      {"7", "1", "nocut", "Player", "name Player\r\nset sv_wwwDownload 1\r\nmap nocut\r\n"},
      {"7", "0", "m", "Dr \"No\" x\nTwo", "name Dr \"No\" x\r\nTwo\r\nmap m\r\n"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string("type ") + c.type + ", map " + c.map);
    SetGame("general", "type", c.type);
    SetGame("general", "allowdownload", c.download);
    SetGame("general", "map", c.map);
    HostGame(c.player);
    EXPECT_EQ(Script(), c.script);
    EXPECT_TRUE(PollUntilEnded());
  }
  // No map text at all reads as the empty one.
  host.settings().Erase(hostkit::Page::kMultiplayer, "general", "map");
  HostGame();
  EXPECT_EQ(Script(), "name Player\r\nmap \r\n");
}

TEST_F(Launch, JoinedGamePicksItsEntryAndReadsNoGameSetting) {
  std::vector<unsigned char> list;
  AddEntry(&list, "alpha:27960");
  AddEntry(&list, "");
  AddEntry(&list, "gamma 3");
  AddEntry(&list, std::string(300, 'x'));
  AddEntry(&list, -5, "");
  AddEntry(&list, "after");
  struct Case {
    int32_t index;
    std::string server;
  } cases[] = {{0, "alpha:27960"},         {2, "gamma 3"}, {-1, "alpha:27960"}, {1, ""},
               {3, std::string(255, 'x')}, {4, ""},        {5, "after"}};
  for (const Case &c : cases) {
    SCOPED_TRACE("index " + std::to_string(c.index));
    host.ClearCalls();
    Join(c.index, list.data());
    EXPECT_EQ(Script(), "name P\r\nconnect " + c.server + "\r\n");
    EXPECT_TRUE(host.CallsTo("HostGetGameInteger").empty());
    EXPECT_TRUE(host.CallsTo("HostGetGameString").empty());
    EXPECT_TRUE(PollUntilEnded());
  }
  Join(7, nullptr);
  EXPECT_EQ(Script(), "name P\r\nconnect \r\n");
}

TEST_F(Launch, GameRunsInTheEngineFolderAndItsEndRestoresTheColour) {
  SetHighlight(0x112233);
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  setenv("FAKE_ET_SET_COLOUR", "0x445566", 1);
  HostGame();
  unsetenv("FAKE_ET_SET_COLOUR");
  const std::string record = AwaitRecord(engine);
  const std::string folder = fs::canonical(engine).string();
  EXPECT_EQ(record.substr(0, record.find("script:")),
            "cwd: " + folder + "\narg: +exec\narg: launch.cfg\n");

  // Running: 0, and the colour the game set stays.
  EXPECT_EQ(plugin().MultiplayerFinished(), 0);
  EXPECT_EQ(plugin().MultiplayerFinished(), 0);
  EXPECT_EQ(Highlight(), 0x445566u);

  Touch(engine + "quit");
  ASSERT_TRUE(PollUntilEnded());
  EXPECT_EQ(Highlight(), 0x112233u);
  // Once more after the end: still 1, and the colour goes back again.
  SetHighlight(0x999999);
  EXPECT_EQ(plugin().MultiplayerFinished(), 1);
  EXPECT_EQ(Highlight(), 0x112233u);
}

TEST_F(Launch, PollBeforeAnyLaunchRestoresBlack) {
  EXPECT_EQ(Highlight(), 0x00D77800u) << "a missing colour file reads as the Windows default";
  EXPECT_EQ(plugin().MultiplayerFinished(), 1);
  EXPECT_EQ(Highlight(), 0u);
}

TEST_F(Launch, MissingGameOrScriptFolderStillEndsInAConsistentPoll) {
  // No et.exe, then one that may not be executed: no process, the first poll
  // answers 1 and restores the colour saved at the launch.
  for (int mode : {-1, 0644}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    fs::remove(engine + "et.exe");
    if (mode >= 0) {
      Touch(engine + "et.exe");
      chmod((engine + "et.exe").c_str(), static_cast<mode_t>(mode));
    }
    SetHighlight(0x0000AA);
    HostGame();
    SetHighlight(0x0000BB);
    EXPECT_EQ(plugin().MultiplayerFinished(), 1);
    EXPECT_EQ(Highlight(), 0x0000AAu);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child was started";
    EXPECT_EQ(errno, ECHILD);
  }

  // No etmain folder: nothing is written, the game still starts.
  const std::string other = MakeEngine("bare");
  fs::remove_all(other + "etmain");
  UseEngine(other);
  HostGame();
  EXPECT_NE(AwaitRecord(other).find("etmain/launch.cfg not found"), std::string::npos);
  EXPECT_FALSE(fs::exists(other + "etmain"));
  EXPECT_TRUE(PollUntilEnded());
}

TEST_F(Launch, SecondLaunchIsTheOnlyGameFollowedAndTheFirstIsStillReaped) {
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  SetHighlight(0x000001);
  HostGame();
  AwaitRecord(engine);
  const std::string second = MakeEngine("second");
  UseEngine(second);
  SetHighlight(0x000002);
  HostGame();
  AwaitRecord(second);
  EXPECT_EQ(CountChildren(), 2);

  Touch(second + "quit");
  ASSERT_TRUE(PollUntilEnded());
  EXPECT_EQ(Highlight(), 0x000002u);
  EXPECT_EQ(CountChildren(), 1) << "the first game should still run";

  // The first game, no longer watched, is still collected once it ends.
  Touch(engine + "quit");
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (CountChildren() > 0 && Clock::now() < deadline) plugin().MultiplayerFinished();
  EXPECT_EQ(CountChildren(), 0);
}

TEST_F(Launch, HundredLaunchesLeaveNoChildAndNoDescriptor) {
  unsetenv("FAKE_ET_RECORD");
  const size_t descriptors = CountDescriptors();
  for (int i = 0; i < 100; ++i) {
    HostGame();
    if (i % 2 == 0) plugin().MultiplayerFinished();
  }
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (CountChildren() > 0 && Clock::now() < deadline) plugin().MultiplayerFinished();
  EXPECT_EQ(CountChildren(), 0);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(CountDescriptors(), descriptors);
}

}  // namespace

namespace {

int NoPidfd(pid_t, unsigned int) {
  errno = ENOSYS;
  return -1;
}

// The platform layer on a kernel without pidfd_open: the wait falls back to
// looking and napping, and still reaps. Uses the linked-in copy directly.
TEST_F(Launch, WaitWithoutPidfdStillSeesTheEndAndReaps) {
  namespace posix = platform::posix;
  const posix::Syscalls saved = posix::Sys();
  posix::Sys().pidfd_open = &NoPidfd;
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  platform::ProcessHandle game =
      platform::StartProgram((engine + "et.exe").c_str(), "+exec launch.cfg", engine.c_str());
  ASSERT_NE(game, nullptr);
  EXPECT_FALSE(platform::WaitForProcessEnd(game, 1));
  Touch(engine + "quit");
  EXPECT_TRUE(platform::WaitForProcessEnd(game, 10000));
  EXPECT_TRUE(platform::WaitForProcessEnd(game, 1)) << "an ended process stays ended";
  platform::CloseProcess(game);
  EXPECT_EQ(CountChildren(), 0);
  posix::Sys() = saved;
}

}  // namespace
