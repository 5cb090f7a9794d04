// Faults around the launch: folders and files that refuse what the launch
// does, folder texts too long or not ASCII, a game that dies, and system
// calls that fail. Each must end in a clear state: nothing lost that the
// launch did not mean to replace, no crash, a poll that still answers, and
// no child or descriptor left behind.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
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

uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }

class Fault : public GameSandbox {
 protected:
  void SetUp() override {
    GameSandbox::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    setenv("FAKE_ET_RECORD", (root + "/record").c_str(), 1);
    descriptors_ = CountDescriptors();
  }

  void HostGame() {
    SetGame("general", "map", "oasis - Siwa Oasis");
    plugin().LaunchMultiplayer(0x4000, 0, 0, 0, nullptr, "Player");
  }

  // The game's report once it is there; empty if no game ran in 10 s.
  std::string AwaitRecord() const { return AwaitFile(root + "/record"); }

  bool PollUntilEnded(std::chrono::seconds limit = std::chrono::seconds(10)) {
    return ::PollUntilEnded(plugin(), limit);
  }

  // Every game collected and every descriptor the plug-in opened closed.
  void ExpectNothingLeft() {
    EXPECT_TRUE(Children().empty());
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(CountDescriptors(), descriptors_);
  }

  size_t descriptors_ = 0;
};

TEST_F(Fault, BackupThatCannotBeReplacedIsKeptAndTheScriptIsRewrittenInPlace) {
  const std::string engine = root + "/game/";
  MakeEngine(engine);
  SetEngine("general", "enginepath", engine);
  const std::string script = engine + "etmain/launch.cfg";

  // A read-only backup: neither deleted nor replaced.
  std::ofstream(script) << "previous";
  std::ofstream(script + ".bak") << "older";
  chmod((script + ".bak").c_str(), 0444);
  HostGame();
  EXPECT_EQ(ReadFile(script + ".bak"), "older");
  EXPECT_EQ(ReadFile(script).rfind("name Player\r\n", 0), 0u);
  EXPECT_NE(AwaitRecord().find("map: oasis"), std::string::npos);
  EXPECT_TRUE(PollUntilEnded());

  // A folder of the backup's name: it and what it holds stay as they are.
  chmod((script + ".bak").c_str(), 0644);
  fs::remove(script + ".bak");
  fs::create_directory(script + ".bak");
  std::ofstream(script + ".bak/keep") << "kept";
  std::ofstream(script) << "previous";
  HostGame();
  EXPECT_EQ(ReadFile(script + ".bak/keep"), "kept");
  EXPECT_EQ(ReadFile(script).rfind("name Player\r\n", 0), 0u);
  EXPECT_TRUE(PollUntilEnded());
  ExpectNothingLeft();
}

TEST_F(Fault, WriteProtectedEtmainLosesNothingAndTheGameStillStarts) {
  const std::string engine = root + "/game/";
  MakeEngine(engine);
  SetEngine("general", "enginepath", engine);
  std::ofstream(engine + "etmain/launch.cfg.bak") << "older";
  chmod((engine + "etmain").c_str(), 0555);
  if (std::ofstream(engine + "etmain/probe")) {
    fs::remove(engine + "etmain/probe");
    GTEST_SKIP() << "permission bits do not stop this user (root): the injected "
                    "write failures in SystemCallFailures cover the same path";
  }
  HostGame();
  EXPECT_NE(AwaitRecord().find("launch.cfg not found"), std::string::npos);
  EXPECT_FALSE(fs::exists(engine + "etmain/launch.cfg"));
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg.bak"), "older");
  EXPECT_TRUE(PollUntilEnded());
  ExpectNothingLeft();
}

TEST_F(Fault, FolderTextsLongerThanWindowsAllowsAndThanPathMax) {
  // Over 260 characters: an ordinary folder on this system.
  std::string engine = root + "/";
  for (int i = 0; i < 3; ++i) engine += std::string(100, static_cast<char>('a' + i)) + "/";
  ASSERT_GT(engine.size(), 260u);
  MakeEngine(engine);
  SetEngine("general", "enginepath", engine);
  EXPECT_EQ(plugin().EngineConfig(), 0);
  EXPECT_EQ(host.engine_valid(), 1);
  HostGame();
  EXPECT_EQ(AwaitRecord().rfind("cwd: " + fs::canonical(engine).string() + "\n", 0), 0u);
  EXPECT_TRUE(PollUntilEnded());

  // Over PATH_MAX: built one level at a time, since no call takes the path
  // whole. The plug-in cannot reach it: the game counts as missing, nothing
  // is written anywhere and nothing starts.
  fs::remove(root + "/record");
  std::string deep = root + "/";
  int dir = open(root.c_str(), O_DIRECTORY);
  const std::string level(200, 'd');
  while (deep.size() <= PATH_MAX) {
    ASSERT_EQ(mkdirat(dir, level.c_str(), 0755), 0);
    const int next = openat(dir, level.c_str(), O_DIRECTORY);
    close(dir);
    dir = next;
    deep += level + "/";
  }
  ASSERT_EQ(mkdirat(dir, "etmain", 0755), 0);
  const std::string game = ReadFile(SDLL_FAKE_GAME_PATH);
  const int exe = openat(dir, "et.exe", O_WRONLY | O_CREAT, 0755);
  ASSERT_EQ(write(exe, game.data(), game.size()), static_cast<ssize_t>(game.size()));
  close(exe);
  SetEngine("general", "enginepath", deep);
  EXPECT_EQ(plugin().EngineConfig(), 1);
  EXPECT_EQ(host.engine_valid(), 0);
  HostGame();
  EXPECT_EQ(plugin().MultiplayerFinished(), 1);
  EXPECT_NE(faccessat(dir, "etmain/launch.cfg", F_OK, 0), 0);
  close(dir);
  EXPECT_FALSE(fs::exists(root + "/record"));
  ExpectNothingLeft();
}

TEST_F(Fault, NonAsciiFolderNamesAreUsedAsTheirWindows1252Bytes) {
  // The host's UTF-16 "Würzburg €" is "W\xFCrzburg \x80" on disk, not UTF-8.
  const std::string ansi = root + "/W\xFCrzburg \x80/";
  const std::string utf8 = root + "/W\u00FCrzburg \u20AC/";
  MakeEngine(ansi);
  MakeEngine(utf8);
  SetEngine("general", "enginepath", utf8);  // the host keeps UTF-16
  EXPECT_EQ(plugin().EngineConfig(), 0);
  HostGame();
  EXPECT_EQ(AwaitRecord().rfind("cwd: " + ansi.substr(0, ansi.size() - 1) + "\n", 0), 0u);
  EXPECT_TRUE(fs::exists(ansi + "etmain/launch.cfg"));
  EXPECT_FALSE(fs::exists(utf8 + "etmain/launch.cfg"));
  EXPECT_TRUE(PollUntilEnded());

  // Characters Windows-1252 lacks become '?', which names another folder:
  // the UTF-8 one is never found or written to.
  const std::string cjk = root + "/\u65E5\u672C/";
  MakeEngine(cjk);
  SetEngine("general", "enginepath", cjk);
  EXPECT_EQ(plugin().EngineConfig(), 1);
  HostGame();
  EXPECT_EQ(plugin().MultiplayerFinished(), 1);
  EXPECT_FALSE(fs::exists(cjk + "etmain/launch.cfg"));
  ExpectNothingLeft();
}

TEST_F(Fault, GameThatFailsOrIsKilledOrStoppedIsFollowedToItsEnd) {
  const std::string engine = root + "/game/";
  MakeEngine(engine);
  SetEngine("general", "enginepath", engine);
  platform::SetSystemColour(platform::kColourHighlight, 0x123456);

  setenv("FAKE_ET_EXIT_CODE", "3", 1);
  HostGame();
  unsetenv("FAKE_ET_EXIT_CODE");
  platform::SetSystemColour(platform::kColourHighlight, 0);
  EXPECT_TRUE(PollUntilEnded());
  EXPECT_EQ(Highlight(), 0x123456u);

  // Stopped is still running; killed is ended, colour back and reaped.
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  for (int sig : {SIGKILL, SIGSEGV, SIGTERM}) {
    SCOPED_TRACE(sig);
    fs::remove(root + "/record");
    HostGame();
    AwaitRecord();
    const std::vector<pid_t> games = Children();
    ASSERT_EQ(games.size(), 1u);
    platform::SetSystemColour(platform::kColourHighlight, 0);
    ASSERT_EQ(kill(games[0], SIGSTOP), 0);
    EXPECT_EQ(plugin().MultiplayerFinished(), 0);
    EXPECT_EQ(plugin().MultiplayerFinished(), 0);
    ASSERT_EQ(kill(games[0], sig), 0);
    kill(games[0], SIGCONT);
    EXPECT_TRUE(PollUntilEnded());
    EXPECT_EQ(Highlight(), 0x123456u);
  }
  ExpectNothingLeft();
}

// Failures a real folder cannot produce for root, and failures of the
// process calls, injected into the plug-in's system-call table. The table
// lives in the linked-in core, so this test drives the core's own exports,
// set up with the same host services as the loaded library.
int Refuse(int error) {
  errno = error;
  return -1;
}

TEST_F(Fault, SystemCallFailuresLeaveAConsistentLaunchAndPoll) {
  namespace posix = platform::posix;
  const posix::Syscalls saved = posix::Sys();
  for (uint32_t slot = 0; slot < kSlotCount; ++slot) SDLL_InitCall(slot, hostkit::ServiceFor(slot));
  char name[8];
  uint16_t code;
  SDLL_Init(kContext, name, &code);
  const std::string engine = root + "/game/";
  MakeEngine(engine);
  SetEngine("general", "enginepath", engine);
  SetGame("general", "map", "oasis - Siwa Oasis");
  auto launch = [] { SDLL_LaunchMultiplayer(0x4000, 0, 0, 0, nullptr, "Player"); };

  // The script cannot be opened (write-protected, as for root nothing else
  // can show): the earlier script is already safe as the backup.
  std::ofstream(engine + "etmain/launch.cfg") << "previous";
  posix::Sys().fopen = [](const char *, const char *) -> FILE * {
    errno = EACCES;
    return nullptr;
  };
  launch();
  posix::Sys() = saved;
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg.bak"), "previous");
  EXPECT_FALSE(fs::exists(engine + "etmain/launch.cfg"));
  EXPECT_NE(AwaitRecord().find("launch.cfg not found"), std::string::npos);
  while (SDLL_MultiplayerFinished() == 0) {
  }

  // The start fails: no game, and the first poll reports the end.
  posix::Sys().spawn = [](pid_t *, const char *, const posix_spawn_file_actions_t *,
                          const posix_spawnattr_t *, char *const[],
                          char *const[]) { return EAGAIN; };
  launch();
  posix::Sys() = saved;
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1);
  EXPECT_TRUE(Children().empty());

  // The wait fails while the game runs: "not ended yet", until it works.
  // Both ways of waiting fail: on a pidfd, and by collecting the exit
  // (where pidfd_open is missing, as under valgrind).
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  launch();
  posix::Sys().poll = [](struct pollfd *, nfds_t, int) { return Refuse(EINTR); };
  posix::Sys().waitpid = [](pid_t, int *, int) { return static_cast<pid_t>(Refuse(EINVAL)); };
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0);
  std::ofstream(engine + "quit") << "";
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0);
  posix::Sys() = saved;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (SDLL_MultiplayerFinished() == 0 && Clock::now() < deadline) {
  }
  ExpectNothingLeft();
}

}  // namespace
