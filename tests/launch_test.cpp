// The engine check, the launch, the poll and the backup in sandbox engine
// folders, and the faults around them: each ends with nothing lost or left.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "launch/file_exists.h"
#include "platform/platform.h"
#include "platform/posix_syscalls.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

int Refuse(int error) { return errno = error, -1; }

class Launch : public GameSandbox {
 protected:
  void TearDown() override {
    posix::Sys() = posix::DefaultSyscalls();
    GameSandbox::TearDown();
  }
  std::string Script() const { return ReadFile(engine + "etmain/launch.cfg"); }
  // The linked-in copy, whose system calls a test may swap, as the host sets it up.
  void UseCore() {
    for (uint32_t slot = 0; slot < kSlotCount; ++slot)
      SDLL_InitCall(slot, hostkit::ServiceFor(slot));
    SDLL_Init(kContext, nullptr, nullptr);
  }
};

// SDLL_EngineConfig over real folders: its answer, what the host hears,
// and no descriptor kept on any branch.
TEST_F(Launch, EngineCheckFindsEtExeByPlainJoinFileOrFolderAndWarnsOtherwise) {
  const std::string dir = root + "/e";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  // The answer, then the last argument of each call: the key read, the
  // content flags or the message box's style, and the verdict.
  const std::string found = "0: enginepath 16384 1", missing = "1: enginepath 48 0",
                    unset = "0: enginepath 0";
  auto check = [&](const std::string &heard, const std::vector<std::string> &folders) {
    for (const std::string &folder : folders) {  // "-": never set, read as null
      if (folder == "-")
        host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
      else
        SetEngine("general", "enginepath", folder);
      host.ClearCalls();
      const size_t descriptors = CountDescriptors();
      std::string said = std::to_string(plugin().EngineConfig()) + ":";
      EXPECT_EQ(CountDescriptors(), descriptors) << folder;
      for (const hostkit::Call &call : host.calls()) said += " " + call.args.back();
      EXPECT_EQ(said, heard) << folder;
      EXPECT_EQ(host.engine_valid(), said.back() - '0');
    }
  };
  check(unset, {"", "-"});
  check(missing, {dir + "/", dir + "/nowhere/*", dir + "/*"});
  WriteFile(dir + "/et.exe", "");
  check(found, {dir + "/", dir + "\\", dir + "/*"});  // a wildcard in the name matches
  check(missing, {dir + "/?", dir});                  // no separator is put in
  WriteFile(dir + "et.exe", "");
  check(found, {dir});
  fs::remove(dir + "/et.exe");
  ASSERT_EQ(mkdir((dir + "/et.exe").c_str(), 0755), 0);
  check(found, {dir + "/"});  // a folder named et.exe counts
  EXPECT_FALSE(platform::PathMatchesEntry((dir + "/").c_str())) << "a folder text names no entry";
  EXPECT_FALSE(platform::PathMatchesEntry(""));
  EXPECT_TRUE(platform::PathMatchesEntry("/*")) << "the root folder has entries";
}

TEST_F(Launch, HostedGameRunsInItsFolderWithAScriptThatFollowsTheSettings) {
  // The engine folder as set, with backslashes, relative to '/' and empty (from inside it).
  std::string windows = engine;
  for (char &c : windows) c = c == '/' ? '\\' : c;
  const std::string cwd = fs::current_path().string();
  const std::pair<std::string, std::string> folders[] = {
      {engine, cwd}, {windows, cwd}, {engine.substr(1), "/"}, {"", engine}};
  struct Case {
    const char *type, *download, *map, *player, *script;
  } cases[] = {
      {"0", "1", "mapone - First Map", "Player",
       "name Player\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
       "set sv_hostname ^1Orvanta Server\r\nmap mapone\r\n"},
      {"1", "0", "maptwo-Second", "Player", "name Player\r\ng_gametype 3\r\nmap maptwo\r\n"},
      {"2", "2", "a-b x", "", "name \r\ng_gametype 5\r\nmap a-b\r\n"},
      {"3", "1", " lead", "P", "name P\r\ng_gametype 4\r\nset sv_wwwDownload 1\r\nmap \r\n"},
      {"4", "-1", "nocut", "P", "name P\r\nmap nocut\r\n"},
      {"-1", "0", "m", "Dr \"No\" x\nTwo", "name Dr \"No\" x\r\nTwo\r\nmap m\r\n"},
  };
  size_t i = 0;
  for (const Case &c : cases) {
    const auto &[folder, from] = folders[i++ % std::size(folders)];
    SCOPED_TRACE(std::string("type ") + c.type + " in " + folder);
    SetGame("general", "type", c.type);
    SetGame("general", "allowdownload", c.download);
    SetGame("general", "map", c.map);
    SetEngine("general", "enginepath", folder);
    fs::current_path(from);
    fs::remove(root + "/record");
    HostGame(c.player, PackList({{8, "unused:1"}}).data());  // equal indices host even with a list
    const std::string record = Record();
    fs::current_path(cwd);
    EXPECT_EQ(Script(), c.script);
    EXPECT_EQ(record.substr(0, record.find("player")),
              "cwd: " + fs::canonical(engine).string() +
                  "\narg: +exec\narg: launch.cfg\nscript: etmain/launch.cfg\n");
    EXPECT_TRUE(PollUntilEnded());
    if (c.type[0] == '0') {  // what the game made of it
      EXPECT_EQ(record.substr(record.find("player")),
                "player name: Player\ngame type: 2\ndownload: on\n"
                "server name: ^1Orvanta Server\nmap: mapone\n");
    }
  }
  EXPECT_NE(Record().find("unknown: Two\nmap: m\n"), std::string::npos);
  for (const char *unset : {"map", "type"})  // an unset type reads as 0
    host.settings().Erase(hostkit::Page::kMultiplayer, "general", unset);
  HostGame(nullptr);
  EXPECT_EQ(Script(), "name \r\ng_gametype 2\r\nset sv_hostname ^1Orvanta Server\r\nmap \r\n");
  EXPECT_TRUE(PollUntilEnded());
  ExpectNothingLeft();
}

TEST_F(Launch, JoinedGamePicksItsEntryAndReadsNoGameSetting) {
  const std::string longest(255, 'x');
  const auto list = PackList({{11, "alpha:27960"},
                              {0, ""},
                              {7, "gamma 3"},
                              {255, longest},
                              {256, longest + "y"},
                              {-5, ""},
                              {5, "after"}});
  struct Case {
    int32_t index;
    std::string server;
  } cases[] = {{0, "alpha:27960"}, {2, "gamma 3"}, {-1, "alpha:27960"}, {1, ""}, {3, longest},
               {4, longest},       {5, ""},        {6, "after"}};
  for (const Case &c : cases) {
    SCOPED_TRACE("index " + std::to_string(c.index));
    host.ClearCalls();
    plugin().LaunchMultiplayer(0x4000, c.index, 99, 0, list.data(), "P");
    EXPECT_EQ(Script(), "name P\r\nconnect " + c.server + "\r\n");
    EXPECT_EQ(host.calls().size(), 2u) << "only enginepath and parameters are read";
    EXPECT_TRUE(PollUntilEnded());
  }
  EXPECT_NE(Record().find("connect to: after\n"), std::string::npos);
  plugin().LaunchMultiplayer(0x4000, 7, 8, 0, nullptr, "P");
  EXPECT_EQ(Script(), "name P\r\nconnect \r\n");
}

TEST_F(Launch, PollAnswersZeroWhileTheGameRunsThenPutsBackTheColourFromBeforeTheStart) {
  UseCore();
  EXPECT_EQ(Highlight(), 0x00D77800u) << "a missing colour file reads as the Windows default";
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1);
  EXPECT_EQ(Highlight(), 0u) << "before any launch the saved colour is black";

  // The start itself changes the colour, then the game does: only reading
  // it before the start gives back the one from before the launch.
  WriteFile(root + "/colours", "12 0x12\n");
  SetHighlight(0x112233);
  posix::Sys().spawn = [](pid_t *pid, const char *path, const posix_spawn_file_actions_t *actions,
                          const posix_spawnattr_t *attributes, char *const argv[],
                          char *const envp[]) {
    SetHighlight(0x0000BB);
    return posix_spawn(pid, path, actions, attributes, argv, envp);
  };
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  setenv("FAKE_ET_SET_COLOUR", "0x445566", 1);
  SDLL_LaunchMultiplayer(0x4000, 3, 3, 0, nullptr, "P");
  Record();
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0);
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0);
  EXPECT_EQ(Highlight(), 0x445566u);
  EXPECT_EQ(platform::GetSystemColour(12), 0x12u) << "the game changes the highlight alone";
  WriteFile(engine + "quit", "");
  ASSERT_TRUE(Until(SDLL_MultiplayerFinished));
  EXPECT_EQ(Highlight(), 0x112233u);
  SetHighlight(0x999999);
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1);
  EXPECT_EQ(Highlight(), 0x112233u) << "every poll after the end puts it back";
}

TEST_F(Launch, ColourFileIsFoundInOrderAndReadPastDamagedLines) {
  const std::string file = root + "/colours";
  WriteFile(file, "x\n-1 0x1\n31 0x2\n13 zz\n30 0x30\n0 7\n1 0xFFFFFFFF\n2 0x100000000\n");
  EXPECT_EQ(Highlight(), 0x00D77800u);
  for (const auto &[element, colour] :
       {std::pair{30, 0x30u}, {0, 7u}, {1, 0xFFFFFFFFu}, {2, 0u}, {29, 0u}, {31, 0u}, {-1, 0u}})
    EXPECT_EQ(platform::GetSystemColour(element), colour) << element;
  platform::SetSystemColour(31, 5);
  platform::SetSystemColour(-1, 5);
  platform::SetSystemColour(0, 8);
  SetHighlight(0x112233);
  EXPECT_EQ(ReadFile(file), "0 0x00000008\n1 0xFFFFFFFF\n13 0x00112233\n30 0x00000030\n");
  // A write or a move that fails leaves the file whole and no temporary
  // beside it.
  posix::Sys().fopen = [](const char *path, const char *mode) {
    if (std::string(path).find(".tmp.") == std::string::npos) return fopen(path, mode);
    fclose(fopen(path, "w"));
    return fopen(path, "r");  // where every write fails and the close works
  };
  SetHighlight(9);
  posix::Sys() = posix::DefaultSyscalls();
  posix::Sys().rename = [](const char *, const char *) { return Refuse(EACCES); };
  SetHighlight(9);
  EXPECT_EQ(Highlight(), 0x112233u);
  EXPECT_EQ(std::distance(fs::directory_iterator(root), {}), 2);
  // Without SDLL_SYSCOLOR_FILE: $XDG_RUNTIME_DIR, then $HOME.
  posix::Sys() = posix::DefaultSyscalls();
  setenv("SDLL_SYSCOLOR_FILE", "", 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  SetHighlight(1);
  setenv("XDG_RUNTIME_DIR", "", 1);
  setenv("HOME", root.c_str(), 1);
  SetHighlight(2);
  EXPECT_EQ(ReadFile(root + "/wolfet-syscolors") + ReadFile(root + "/.wolfet-syscolors"),
            "13 0x00000001\n13 0x00000002\n");
}

TEST_F(Launch, GameThatIsStoppedKilledOrReplacedIsFollowedToItsEnd) {
  // A second launch while the first game runs: only the second is followed.
  // Stopped is still running; killed is ended, with its colour back.
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  HostGame();
  Record();
  const pid_t first = Children().at(0);
  SetEngine("general", "enginepath", AddEngine("second"));
  SetHighlight(2);
  HostGame();
  pid_t second = 0;
  for (pid_t child : Children())
    if (child != first) second = child;
  SetHighlight(0);
  ASSERT_EQ(kill(second, SIGSTOP), 0);
  EXPECT_EQ(plugin().MultiplayerFinished(), 0);
  ASSERT_EQ(kill(second, SIGKILL), 0);
  EXPECT_TRUE(PollUntilEnded());
  EXPECT_EQ(Highlight(), 2u);
  EXPECT_EQ(Children(), std::vector<pid_t>{first}) << "the first game should still run";
  WriteFile(engine + "quit", "");
  Until([&] { return plugin().MultiplayerFinished() && Children().empty(); });
  ExpectNothingLeft();

  // A host that ignores SIGCHLD, where the kernel reaps the game itself;
  // a report that cannot replace a folder leaves no temporary file.
  fs::create_directories(root + "/report/folder");  // apart from what the killed game left
  setenv("FAKE_ET_RECORD", (root + "/report/folder").c_str(), 1);
  struct sigaction ignore = {}, saved = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGCHLD, &ignore, &saved);
  setenv("FAKE_ET_RUN_MS", "0", 1);
  HostGame();
  const bool ended = PollUntilEnded();
  sigaction(SIGCHLD, &saved, nullptr);
  EXPECT_TRUE(ended);
  ExpectNothingLeft();
  EXPECT_EQ(std::distance(fs::directory_iterator(root + "/report"), {}), 1);
}

TEST_F(Launch, WriteProtectedEtmainLosesNothingAndTheGameStillStarts) {
  WriteFile(engine + "etmain/launch.cfg.bak", "older");
  chmod((engine + "etmain").c_str(), 0555);
  // Permission bits stop no one running as root, as CI does: there the
  // launch runs in a child that has become an ordinary user.
  const pid_t child = geteuid() == 0 ? fork() : -1;
  if (child == 0) {
    chmod(root.c_str(), 0777);
    if (setgid(65534) != 0 || setuid(65534) != 0 || std::ofstream(engine + "etmain/x")) _exit(2);
    HostGame();
    _exit(PollUntilEnded() ? 0 : 3);
  }
  if (child > 0) {
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
  } else {
    HostGame();
    EXPECT_TRUE(PollUntilEnded());
  }
  EXPECT_NE(Record().find("launch.cfg not found"), std::string::npos);
  EXPECT_FALSE(fs::exists(engine + "etmain/launch.cfg"));
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg.bak"), "older");
  ExpectNothingLeft();
}

TEST_F(Launch, BackupKeepsOneGenerationAndNeverLosesTheOlderOne) {
  const std::string cfg = engine + "etmain/launch.cfg", bak = cfg + ".bak";
  // Script and backup (empty: absent) before, both after ("-": absent).
  auto run = [&](
                 const char *script, const char *backup, std::function<void()> arrange = [] {}) {
    fs::remove_all(cfg);
    fs::remove_all(bak);
    if (*script != '\0') WriteFile(cfg, script);
    if (*backup != '\0') WriteFile(bak, backup);
    arrange();
    sdll::BackupFile((engine + "etmain\\launch.cfg").c_str());  // as the launch names it
    auto text = [](const std::string &p) { return fs::exists(p) ? ReadFile(p) : "-"; };
    return text(cfg) + "|" + text(bak);
  };
  EXPECT_EQ(run("", "old"), "-|old");
  EXPECT_EQ(run("new", "old"), "-|new");
  // A read-only backup can be neither deleted nor replaced; a folder of the
  // backup's name stays with what it holds.
  EXPECT_EQ(run("new", "old", [&] { chmod(bak.c_str(), 0444); }), "new|old");
  chmod(bak.c_str(), 0644);
  EXPECT_EQ(run("new", "", [&] { fs::create_directory(bak), WriteFile(bak + "/in", "kept"); }),
            "new|");
  HostGame();  // then writes the script in place
  EXPECT_EQ(Script().rfind("name Player\r\n", 0), 0u);
  EXPECT_EQ(ReadFile(bak + "/in"), "kept");
  EXPECT_TRUE(PollUntilEnded());
}

// Each export 10,000 times, under valgrind too (a leak or a bad access fails
// it); launches go to a folder without et.exe, every thousandth to the game.
TEST_F(Launch, EveryExportTenThousandTimesLeavesNothingBehind) {
  const std::string missing = AddEngine("missing");
  fs::remove(missing + "et.exe");
  const auto list = PackList({{5, "a:279"}, {0, ""}, {3, "b c"}});
  SetGame("general", "map", "oasis - Siwa Oasis");
  SetGame("general", "allowdownload", "1");
  char name[16];
  uint16_t code = 0;
  for (int i = 0; i < 10000; ++i, host.ClearCalls()) {
    const auto slot = static_cast<uint32_t>(i % 30);
    plugin().InitCall(slot, hostkit::ServiceFor(slot));
    ASSERT_EQ(plugin().Init(kContext, name, &code) + plugin().LoadConfiguration(), 0);
    SetEngine("general", "enginepath", i % 2 == 0 ? "" : i % 4 == 1 ? missing : engine);
    plugin().EngineConfig();
    plugin().Verification(i % 3 == 0 ? 0x4000u : 0u);
    SetEngine("general", "enginepath", i % 1000 == 999 ? engine : missing);
    host.settings().SetInteger(hostkit::Page::kMultiplayer, "general", "type", i % 5);
    // Hosting, joining the first or the second entry, joining with no list.
    plugin().LaunchMultiplayer(0x4000, i % 4 - 1, 0, 0, i % 8 == 7 ? nullptr : list.data(),
                               i % 16 == 15 ? nullptr : "Player");
    ASSERT_TRUE(PollUntilEnded());
  }
  ExpectNothingLeft();
}

TEST_F(Launch, GameThatCannotStartEndsAtTheFirstPollWithTheColourOfTheLaunch) {
  UseCore();
  // A spawn that fails, no et.exe, a folder of that name, then one that
  // may not be executed: no process, and the first poll ends it.
  posix::Sys().spawn = [](pid_t *, const char *, const posix_spawn_file_actions_t *,
                          const posix_spawnattr_t *, char *const[],
                          char *const[]) { return EAGAIN; };
  for (int mode : {0, -1, 1, 0644}) {
    SCOPED_TRACE(mode);
    if (mode != 0) posix::Sys() = posix::DefaultSyscalls(), fs::remove_all(engine + "et.exe");
    if (mode == 1) fs::create_directory(engine + "et.exe");
    if (mode > 1) WriteFile(engine + "et.exe", ""), chmod((engine + "et.exe").c_str(), mode);
    SetHighlight(0x0000AA);
    SDLL_LaunchMultiplayer(0x4000, 3, 3, 0, nullptr, "P");
    SetHighlight(0x0000BB);
    EXPECT_EQ(SDLL_MultiplayerFinished(), 1);
    EXPECT_EQ(Highlight(), 0x0000AAu);
    ExpectNothingLeft();
  }
}

int NoPidfd(pid_t, unsigned int) { return Refuse(ENOSYS); }
int NoPoll(struct pollfd *, nfds_t, int) { return Refuse(EINTR); }

TEST_F(Launch, WaitsSeeTheEndOnlyWhenTheyWork) {
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  for (bool pidfd : {false, true}) {  // without, as under valgrind: naps
    SCOPED_TRACE(pidfd);
    posix::Sys().pidfd_open = pidfd ? posix::DefaultSyscalls().pidfd_open : &NoPidfd;
    platform::ProcessHandle game =
        platform::StartProgram((engine + "et.exe").c_str(), "+exec launch.cfg", engine.c_str());
    ASSERT_NE(game, nullptr);
    EXPECT_FALSE(platform::WaitForProcessEnd(game, 1));
    errno = EINTR;  // left over from some earlier call: no reason to ask again
    EXPECT_FALSE(platform::WaitForProcessEnd(game, 0));
    WriteFile(engine + "quit", "");
    if (pidfd) {  // a poll that fails sees no end
      posix::Sys().poll = &NoPoll;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_FALSE(platform::WaitForProcessEnd(game, 0));
      posix::Sys() = posix::DefaultSyscalls();
    }
    EXPECT_TRUE(platform::WaitForProcessEnd(game, 0xFFFFFFFFu));
    EXPECT_TRUE(platform::WaitForProcessEnd(game, 0)) << "an ended process stays ended";
    platform::CloseProcess(game);
    ExpectNothingLeft();
  }

  // A pidfd closed while the game runs: closed once, not again when the
  // orphan is collected (the number may be someone else's by then).
  static std::vector<int> closed;
  posix::Sys().close = [](int fd) { return closed.push_back(fd), close(fd); };
  platform::ProcessHandle game =
      platform::StartProgram((engine + "et.exe").c_str(), "", engine.c_str());
  platform::CloseProcess(game);
  EXPECT_EQ(CountDescriptors(), descriptors) << "the pidfd outlived its handle";
  WriteFile(engine + "quit", "");
  Until([] { return platform::CloseProcess(nullptr), Children().empty(); });
  EXPECT_EQ(closed.size(), 1u);
  ExpectNothingLeft();
}

}  // namespace
