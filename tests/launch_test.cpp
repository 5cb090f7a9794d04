// The engine check, the launch, the poll and the backup in sandbox engine
// folders, and the faults around them: each ends with nothing lost or left.
#include <sys/stat.h>

#include <functional>

#include "launch/file_exists.h"
#include "launch/path.h"
#include "platform/platform.h"
#include "platform/posix_syscalls.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

constexpr uint32_t kContentFlags = 0x4000;
constexpr int32_t kHostingIndex = 3;        // equal to the server index: a hosted game
constexpr uint32_t kForever = 0xFFFFFFFFu;  // INFINITE
constexpr uint32_t kWindowsDefaultHighlight = 0x00D77800u;

// Any system call that fails: errno set, and -1 (for an R other than int:
// null or 0). Generic, so that it takes the place of a call of any signature.
template <int kError, typename R = int>
constexpr auto Refuse = [](auto...) -> R {
  errno = kError;
  if constexpr (std::is_same_v<R, int>) return -1;
  return R{};
};
// The spawn calls answer an error number rather than set errno.
template <int kError>
constexpr auto Answer = [](auto...) { return kError; };

// A row of the fault tables: what goes wrong, and how it is made to.
struct Arranged {
  const char *what;
  std::function<void()> arrange;
};

size_t EntriesIn(const std::string &folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

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
  void HostInCore() {
    SDLL_LaunchMultiplayer(kContentFlags, kHostingIndex, kHostingIndex, 0, nullptr, "P");
  }
};

TEST_F(Launch, EngineCheckFindsEtExeByPlainJoinFileOrFolderAndWarnsOtherwise) {
  const std::string dir = root + "/e";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  const std::string kRead = "HostGetEngineString", kWarn = "HostMessageBox",
                    kFlags = "HostSetContentFlags", kValid = "HostSetEngineValid";
  struct Verdict {
    int32_t answer;  // 1 exactly when the warning was shown
    std::vector<std::string> services;
    int32_t valid;
  };
  const Verdict found = {0, {kRead, kFlags, kValid}, 1};
  const Verdict missing = {1, {kRead, kWarn, kValid}, 0};
  const Verdict unset = {0, {kRead, kValid}, 0};
  const std::string kNeverSet = "(never set: read as null)";
  auto check = [&](const char *what, const Verdict &verdict,
                   const std::vector<std::string> &folders) {
    for (const std::string &folder : folders) {
      SCOPED_TRACE(std::string(what) + ": \"" + folder + "\"");
      if (folder == kNeverSet)
        host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
      else
        SetEngine("general", "enginepath", folder);
      host.ClearCalls();
      const size_t open = CountDescriptors();
      EXPECT_EQ(plugin().EngineConfig(), verdict.answer) << "the answer: was the warning shown";
      EXPECT_EQ(CountDescriptors(), open) << "no descriptor is kept";
      std::vector<std::string> services;
      for (const hostkit::Call &call : host.calls()) services.push_back(call.service);
      ASSERT_EQ(services, verdict.services) << "the host calls, in order";
      EXPECT_EQ(host.engine_valid(), verdict.valid) << "the verdict";
      for (const hostkit::Call &call : host.CallsTo(kFlags))
        EXPECT_EQ(call.args.back(), "16384") << "the content flags are 0x4000";
      for (const hostkit::Call &call : host.CallsTo(kWarn))
        EXPECT_EQ(call.args.back(), "48") << "the warning's style: MB_ICONEXCLAMATION, MB_OK";
    }
  };
  check("no folder", unset, {"", kNeverSet});
  check("no et.exe", missing, {dir + "/", dir + "/nowhere/*", dir + "/*"});
  WriteFile(dir + "/et.exe", "");
  check("et.exe, also matched by a wildcard", found, {dir + "/", dir + "\\", dir + "/*"});
  check("no separator is put in", missing, {dir + "/?", dir});
  WriteFile(dir + "et.exe", "");
  check("the plain join names a file", found, {dir});
  fs::remove(dir + "/et.exe");
  ASSERT_EQ(mkdir((dir + "/et.exe").c_str(), 0755), 0);
  check("a folder named et.exe counts", found, {dir + "/"});
  EXPECT_FALSE(platform::PathMatchesEntry((dir + "/").c_str())) << "a folder text names no entry";
  EXPECT_FALSE(platform::PathMatchesEntry("")) << "the empty text names no entry";
  EXPECT_TRUE(platform::PathMatchesEntry("/*")) << "the root folder has entries";
}

TEST(Paths, JoinsFillTheirBufferAndNoMoreAndDeletesRefuseAReadOnlyFile) {
  struct {
    sdll::PathBuffer path;
    char after = 'x';
  } buffer;
  const std::string head(sdll::kPathSize - 2, 'h');
  EXPECT_TRUE(sdll::JoinPath(buffer.path, head.c_str(), "t")) << "259 bytes and the NUL fit";
  EXPECT_EQ(std::string(buffer.path), head + "t") << "the two texts, nothing between";
  EXPECT_EQ(buffer.after, 'x') << "nothing is written past the buffer";
  EXPECT_FALSE(sdll::JoinPath(buffer.path, head.c_str(), "tt")) << "one byte more does not fit";

  const std::string dir = MakeScratch();
  const std::string file = dir + "/launch.cfg.bak";
  WriteFile(file, "");
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  EXPECT_FALSE(platform::DeleteFilePath(file.c_str())) << "a read-only file is not deleted";
  EXPECT_TRUE(fs::exists(file)) << "and stays";
  fs::remove_all(dir);
}

TEST_F(Launch, HostedGameRunsInItsFolderWithAScriptThatFollowsTheSettings) {
  // Each engine folder text with the folder the host runs in.
  std::string windows = engine;
  for (char &c : windows)
    if (c == '/') c = '\\';
  const std::string cwd = fs::current_path().string();
  const std::pair<std::string, std::string> folders[] = {
      {engine, cwd}, {windows, cwd}, {engine.substr(1), "/"}, {"", engine}};
  struct Case {
    const char *type, *download, *map, *player, *script;
    const char *game_heard;  // the report's lines from "player name:" on; null: not looked at
  } const cases[] = {
      {"0", "1", "mapone - First Map", "Player",
       "name Player\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
       "set sv_hostname ^1Orvanta Server\r\nmap mapone\r\n",
       "player name: Player\ngame type: 2\ndownload: on\n"
       "server name: ^1Orvanta Server\nmap: mapone\n"},
      {"1", "0", "maptwo-Second", "Player", "name Player\r\ng_gametype 3\r\nmap maptwo\r\n",
       nullptr},
      {"2", "2", "a-b x", "", "name \r\ng_gametype 5\r\nmap a-b\r\n", nullptr},
      {"3", "1", " lead", "P", "name P\r\ng_gametype 4\r\nset sv_wwwDownload 1\r\nmap \r\n",
       nullptr},
      {"4", "-1", "nocut", "P", "name P\r\nmap nocut\r\n", nullptr},
      {"-1", "0", "m", "Dr \"No\" x\nTwo", "name Dr \"No\" x\r\nTwo\r\nmap m\r\n",
       "player name: Dr \"No\" x\nunknown: Two\nmap: m\n"},
  };
  const std::vector<std::string> kCommandLine = {"+exec", "launch.cfg"};
  size_t i = 0;
  for (const Case &c : cases) {
    const auto &[folder, from] = folders[i++ % std::size(folders)];
    SCOPED_TRACE(std::string("type ") + c.type + " in \"" + folder + "\"");
    SetGame("general", "type", c.type);
    SetGame("general", "allowdownload", c.download);
    SetGame("general", "map", c.map);
    SetEngine("general", "enginepath", folder);
    fs::current_path(from);
    fs::remove(root + "/record");
    HostGame(c.player, PackList({{8, "unused:1"}}).data());  // equal indices host even with a list
    const std::string record = Record();
    fs::current_path(cwd);
    EXPECT_EQ(Script(), c.script) << "the script";
    EXPECT_EQ(Reported(record, "cwd"), std::vector<std::string>{fs::canonical(engine).string()})
        << "the game runs in the engine folder";
    EXPECT_EQ(Reported(record, "arg"), kCommandLine) << "the fixed command line";
    if (c.game_heard != nullptr) {
      EXPECT_EQ(record.substr(record.find("player name:")), c.game_heard) << "what the game read";
    }
    EXPECT_TRUE(PollUntilEnded()) << "the game ends";
  }
  for (const char *unset : {"map", "type"})
    host.settings().Erase(hostkit::Page::kMultiplayer, "general", unset);
  HostGame(nullptr);
  EXPECT_EQ(Script(), "name \r\ng_gametype 2\r\nset sv_hostname ^1Orvanta Server\r\nmap \r\n")
      << "no player name, no map and no type";
  EXPECT_TRUE(PollUntilEnded()) << "the game ends";
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
  } const cases[] = {{0, "alpha:27960"}, {2, "gamma 3"}, {-1, "alpha:27960"}, {1, ""}, {3, longest},
                     {4, longest},       {5, ""},        {6, "after"}};
  constexpr int32_t kNotTheServerIndex = 99;
  for (const Case &c : cases) {
    SCOPED_TRACE("index " + std::to_string(c.index));
    host.ClearCalls();
    plugin().LaunchMultiplayer(kContentFlags, c.index, kNotTheServerIndex, 0, list.data(), "P");
    EXPECT_EQ(Script(), "name P\r\nconnect " + c.server + "\r\n") << "the name and the entry";
    EXPECT_EQ(host.calls().size(), 2u) << "only enginepath and parameters are read";
    EXPECT_TRUE(PollUntilEnded()) << "the game ends";
  }
  EXPECT_EQ(Reported(Record(), "connect to"), std::vector<std::string>{"after"})
      << "the game was told the server";
  plugin().LaunchMultiplayer(kContentFlags, 7, 8, 0, nullptr, "P");
  EXPECT_EQ(Script(), "name P\r\nconnect \r\n") << "no list: the empty entry";
}

TEST_F(Launch, PollFollowsTheGameToItsEndThenPutsBackTheColourFromBeforeTheStart) {
  UseCore();
  EXPECT_EQ(Highlight(), kWindowsDefaultHighlight) << "a missing colour file reads as the default";
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no game known";
  EXPECT_EQ(Highlight(), 0u) << "before any launch the saved colour is black";

  // The start itself changes the colour, then the game does.
  constexpr uint32_t kBeforeLaunch = 0x112233, kByTheStart = 0x0000BB, kByTheGame = 0x445566;
  constexpr uint32_t kOtherElement = 12, kOtherColour = 0x12;
  WriteFile(root + "/colours", "12 0x12\n");
  SetHighlight(kBeforeLaunch);
  posix::Sys().spawn = [](auto... spawn) {
    SetHighlight(kByTheStart);
    return posix_spawn(spawn...);
  };
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  setenv("FAKE_ET_SET_COLOUR", "0x445566", 1);
  HostInCore();
  Record();

  // Step 1: the game, having set its colour, runs.
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0) << "running";
  EXPECT_EQ(Highlight(), kByTheGame) << "a running game's colour is left alone";
  EXPECT_EQ(platform::GetSystemColour(kOtherElement), kOtherColour)
      << "the game changes the highlight alone";

  // Step 2: the game ends.
  WriteFile(engine + "quit", "");
  ASSERT_TRUE(Until(SDLL_MultiplayerFinished)) << "the end is seen";
  EXPECT_EQ(Highlight(), kBeforeLaunch) << "the colour from before the start is back";

  // Step 3: polls after the end.
  SetHighlight(0x999999);
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no game known";
  EXPECT_EQ(Highlight(), kBeforeLaunch) << "every poll after the end puts it back";
  posix::Sys() = posix::DefaultSyscalls();

  // Step 4: launches that start no game end at the first poll, with the
  // colour of the launch; a game that did start would run until stopped.
  const std::string cwd = fs::current_path().string();
  const std::string program = engine + "et.exe";
  const Arranged cases[] = {
      {"the spawn fails", [] { posix::Sys().spawn = Answer<EAGAIN>; }},
      {"the working folder cannot be set",
       [] { posix::Sys().spawn_file_actions_addchdir = Answer<ENOMEM>; }},
      {"the spawn's file actions cannot be made",
       [] { posix::Sys().spawn_file_actions_init = Answer<ENOMEM>; }},
      {"our own folder is unknown, for an engine folder relative to it",
       [&] {
         fs::current_path("/");
         SetEngine("general", "enginepath", engine.substr(1));
         const std::string elsewhere = engine + engine.substr(1);
         fs::create_directories(elsewhere);
         fs::copy_file(SDLL_FAKE_GAME_PATH, elsewhere + "et.exe");
         posix::Sys().getcwd = Refuse<EACCES, char *>;
       }},
      {"no et.exe", [&] { fs::remove(program); }},
      {"a folder named et.exe",
       [&] {
         fs::remove(program);
         fs::create_directory(program);
       }},
      {"an et.exe that may not be executed", [&] { chmod(program.c_str(), 0644); }},
  };
  for (const Arranged &c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange();
    SetHighlight(kBeforeLaunch);
    HostInCore();
    fs::current_path(cwd);
    SetHighlight(kByTheGame);
    EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no process: the game counts as ended";
    EXPECT_EQ(Highlight(), kBeforeLaunch) << "the colour read at the launch is back";
    ExpectNothingLeft();
    posix::Sys() = posix::DefaultSyscalls();
    SetEngine("general", "enginepath", engine);
    fs::remove_all(program);
    fs::copy_file(SDLL_FAKE_GAME_PATH, program);
  }
}

FILE *OpenNothingForReading(const char *path, const char *mode) {
  return std::string(mode) == "r" ? Refuse<EACCES, FILE *>() : fopen(path, mode);
}
int CloseThatFails(FILE *file) { return fclose(file) == 0 ? Refuse<EIO>() : EOF; }

TEST_F(Launch, ColourFileIsFoundInOrderAndReadPastDamagedLines) {
  const std::string file = root + "/colours";
  WriteFile(file, "x\n-1 0x1\n31 0x2\n13 zz\n30 0x30\n0 7\n1 0xFFFFFFFF\n2 0x100000000\n");
  EXPECT_EQ(Highlight(), kWindowsDefaultHighlight) << "a damaged line reads as the default";
  struct Element {
    int element;
    uint32_t colour;
    const char *line;
  } const elements[] = {
      {30, 0x30u, "the last element"},           {0, 7u, "a decimal colour"},
      {1, 0xFFFFFFFFu, "the largest colour"},    {2, 0u, "a colour past 32 bits is skipped"},
      {29, 0u, "an element never set is black"}, {31, 0u, "past the last element"},
      {-1, 0u, "before the first element"}};
  for (const Element &e : elements)
    EXPECT_EQ(platform::GetSystemColour(e.element), e.colour) << e.line;
  platform::SetSystemColour(31, 5);
  platform::SetSystemColour(-1, 5);
  platform::SetSystemColour(0, 8);
  SetHighlight(0x112233);
  const std::string kWritten = "0 0x00000008\n1 0xFFFFFFFF\n13 0x00112233\n30 0x00000030\n";
  EXPECT_EQ(ReadFile(file), kWritten) << "elements in order, damaged lines dropped";

  // A change that cannot be read, written or moved into place whole leaves
  // the file as it was and no temporary beside it.
  constexpr size_t kEntries = 2;  // the colour file and the engine folder
  const Arranged faults[] = {
      {"the file cannot be opened", [] { posix::Sys().fopen = &OpenNothingForReading; }},
      {"a read fails", [] { posix::Sys().fgets = Refuse<EIO, char *>; }},
      {"the disk is full", [] { posix::Sys().fwrite = Refuse<ENOSPC, size_t>; }},
      {"the close fails", [] { posix::Sys().fclose = &CloseThatFails; }},
      {"the move into place fails", [] { posix::Sys().rename = Refuse<EACCES>; }},
  };
  for (const Arranged &fault : faults) {
    SCOPED_TRACE(fault.what);
    fault.arrange();
    SetHighlight(9);
    posix::Sys() = posix::DefaultSyscalls();
    EXPECT_EQ(ReadFile(file), kWritten) << "the file is whole";
    EXPECT_EQ(EntriesIn(root), kEntries) << "no temporary is left";
  }

  // Without SDLL_SYSCOLOR_FILE: $XDG_RUNTIME_DIR, then $HOME.
  setenv("SDLL_SYSCOLOR_FILE", "", 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  SetHighlight(1);
  setenv("XDG_RUNTIME_DIR", "", 1);
  setenv("HOME", root.c_str(), 1);
  SetHighlight(2);
  EXPECT_EQ(ReadFile(root + "/wolfet-syscolors"), "13 0x00000001\n") << "$XDG_RUNTIME_DIR first";
  EXPECT_EQ(ReadFile(root + "/.wolfet-syscolors"), "13 0x00000002\n") << "then $HOME";
}

TEST_F(Launch, GameThatIsStoppedKilledOrReplacedIsFollowedToItsEnd) {
  // Step 1: a second launch while the first game runs: only the second is followed.
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  HostGame();
  Record();
  const pid_t first = Children().at(0);
  SetEngine("general", "enginepath", AddEngine("second"));
  constexpr uint32_t kAtSecondLaunch = 2;
  SetHighlight(kAtSecondLaunch);
  HostGame();
  pid_t second = 0;
  for (pid_t child : Children())
    if (child != first) second = child;
  SetHighlight(0);
  ASSERT_EQ(kill(second, SIGSTOP), 0);
  EXPECT_EQ(plugin().MultiplayerFinished(), 0) << "a stopped game still runs";
  ASSERT_EQ(kill(second, SIGKILL), 0);
  EXPECT_TRUE(PollUntilEnded()) << "a killed game has ended";
  EXPECT_EQ(Highlight(), kAtSecondLaunch) << "the colour of the second launch is back";
  EXPECT_EQ(Children(), std::vector<pid_t>{first}) << "the first game should still run";
  WriteFile(engine + "quit", "");
  Until([&] { return plugin().MultiplayerFinished() && Children().empty(); });
  ExpectNothingLeft();

  // Step 2: a host that ignores SIGCHLD, where the kernel reaps the game itself.
  fs::create_directories(root + "/report/folder");  // apart from what the killed game left
  setenv("FAKE_ET_RECORD", (root + "/report/folder").c_str(), 1);
  struct sigaction ignore = {}, saved = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGCHLD, &ignore, &saved);
  setenv("FAKE_ET_RUN_MS", "0", 1);
  HostGame();
  const bool ended = PollUntilEnded();
  sigaction(SIGCHLD, &saved, nullptr);
  EXPECT_TRUE(ended) << "a game the kernel reaped has ended";
  ExpectNothingLeft();
  EXPECT_EQ(EntriesIn(root + "/report"), 1u) << "only the folder the report could not replace";
}

TEST_F(Launch, BackupKeepsOneGenerationAndNeverLosesTheOlderOne) {
  const std::string cfg = engine + "etmain/launch.cfg";
  const std::string bak = cfg + ".bak";
  const char *const kAbsent = "(absent)";
  auto text = [&](const std::string &path) {
    return fs::exists(path) ? ReadFile(path) : std::string(kAbsent);
  };
  struct Case {
    const char *what;
    const char *script, *backup;  // before; null: absent
    std::function<void()> arrange;
    const char *script_after, *backup_after;
  } const cases[] = {
      {"no script: the backup stays", nullptr, "old", [] {}, kAbsent, "old"},
      {"a script replaces the older backup", "new", "old", [] {}, kAbsent, "new"},
      {"a read-only backup can be neither deleted nor replaced", "new", "old",
       [&] { chmod(bak.c_str(), 0444); }, "new", "old"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(cfg);
    fs::remove_all(bak);
    if (c.script != nullptr) WriteFile(cfg, c.script);
    if (c.backup != nullptr) WriteFile(bak, c.backup);
    c.arrange();
    sdll::BackupFile((engine + "etmain\\launch.cfg").c_str());  // as the launch names it
    chmod(bak.c_str(), 0644);
    EXPECT_EQ(text(cfg), c.script_after) << "the script after the backup";
    EXPECT_EQ(text(bak), c.backup_after) << "the backup after the backup";
  }

  // A folder of the backup's name stays whole; the script is written in place.
  fs::remove_all(bak);
  WriteFile(cfg, "new");
  fs::create_directory(bak);
  WriteFile(bak + "/in", "kept");
  sdll::BackupFile((engine + "etmain\\launch.cfg").c_str());
  EXPECT_EQ(text(cfg), "new") << "the script stays under its name";
  HostGame();
  EXPECT_EQ(Script().rfind("name Player\r\n", 0), 0u) << "the launch writes the script in place";
  EXPECT_EQ(ReadFile(bak + "/in"), "kept") << "the folder keeps what it holds";
  EXPECT_TRUE(PollUntilEnded()) << "the game ends";

  // A script that cannot be opened is not written, and the game still starts.
  UseCore();
  fs::remove(cfg);
  fs::remove(root + "/record");
  posix::Sys().fopen = Refuse<EACCES, FILE *>;
  HostInCore();
  posix::Sys() = posix::DefaultSyscalls();
  EXPECT_NE(Record().find("launch.cfg not found"), std::string::npos) << "the game still started";
  EXPECT_EQ(text(cfg), kAbsent) << "no script could be written";
  EXPECT_TRUE(Until(SDLL_MultiplayerFinished)) << "the game ends";
  ExpectNothingLeft();
}

// Each export 10,000 times, under valgrind too (a leak or a bad access fails
// it); launches go to a folder without et.exe, every thousandth to the game.
TEST_F(Launch, EveryExportTenThousandTimesLeavesNothingBehind) {
  const std::string missing = AddEngine("missing");
  fs::remove(missing + "et.exe");
  const auto list = PackList({{5, "a:279"}, {0, ""}, {3, "b c"}});
  SetGame("general", "map", "oasis - Siwa Oasis");
  SetGame("general", "allowdownload", "1");
  constexpr int kRounds = 10000, kSlotsTried = 30, kGameTypes = 5;
  char name[16];
  uint16_t code = 0;
  for (int i = 0; i < kRounds; ++i) {
    host.ClearCalls();
    const auto slot = static_cast<uint32_t>(i % kSlotsTried);  // past the table too
    plugin().InitCall(slot, hostkit::ServiceFor(slot));
    ASSERT_EQ(plugin().Init(kContext, name, &code), 0) << "round " << i;
    ASSERT_EQ(plugin().LoadConfiguration(), 0) << "round " << i;
    const bool odd = i % 2 == 1;
    SetEngine("general", "enginepath", !odd ? "" : i % 4 == 1 ? missing : engine);
    plugin().EngineConfig();
    plugin().Verification(i % 3 == 0 ? kContentFlags : 0u);
    SetEngine("general", "enginepath", i % 1000 == 999 ? engine : missing);
    host.settings().SetInteger(hostkit::Page::kMultiplayer, "general", "type", i % kGameTypes);
    // Server indices -1 to 2 against hosting index 0; now and then no list or no name.
    constexpr int32_t kHosting = 0;
    const int32_t server = i % 4 - 1;
    plugin().LaunchMultiplayer(kContentFlags, server, kHosting, 0,
                               i % 8 == 7 ? nullptr : list.data(),
                               i % 16 == 15 ? nullptr : "Player");
    ASSERT_TRUE(PollUntilEnded()) << "round " << i;
  }
  ExpectNothingLeft();
}

int g_naps = 0;

TEST_F(Launch, WaitsSeeTheEndOnlyWhenTheyWork) {
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  struct Case {
    const char *how;
    bool pidfd;
  } const cases[] = {{"without a pidfd, as under valgrind: naps", false}, {"on a pidfd", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.how);
    posix::Sys() = posix::DefaultSyscalls();
    if (!c.pidfd) posix::Sys().pidfd_open = Refuse<ENOSYS>;
    platform::ProcessHandle game =
        platform::StartProgram((engine + "et.exe").c_str(), "+exec launch.cfg", engine.c_str());
    ASSERT_NE(game, nullptr) << "the game starts";
    EXPECT_FALSE(platform::WaitForProcessEnd(game, 1)) << "running, after 1 ms";
    errno = EINTR;  // left over from some earlier call: no reason to ask again
    EXPECT_FALSE(platform::WaitForProcessEnd(game, 0)) << "running, at once";
    if (!c.pidfd) {  // a clock that fails ends a limited wait at the first look
      posix::Sys().clock_gettime = Refuse<EINVAL>;
      posix::Sys().nanosleep = [](auto... nap) {
        ++g_naps;
        return nanosleep(nap...);
      };
      g_naps = 0;
      EXPECT_FALSE(platform::WaitForProcessEnd(game, 1000)) << "no clock: not ended";
      EXPECT_EQ(g_naps, 0) << "no nap without a clock to end it";
      posix::Sys().clock_gettime = posix::DefaultSyscalls().clock_gettime;
      posix::Sys().nanosleep = posix::DefaultSyscalls().nanosleep;
    }
    WriteFile(engine + "quit", "");
    if (c.pidfd) {  // a poll that fails sees no end
      posix::Sys().poll = Refuse<EINTR>;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_FALSE(platform::WaitForProcessEnd(game, 0)) << "a failed poll sees no end";
      posix::Sys() = posix::DefaultSyscalls();
    }
    EXPECT_TRUE(platform::WaitForProcessEnd(game, kForever)) << "the end is seen";
    EXPECT_TRUE(platform::WaitForProcessEnd(game, 0)) << "an ended process stays ended";
    platform::CloseProcess(game);
    ExpectNothingLeft();
  }

  // A pidfd closed while the game runs: closed once, not again when the
  // orphan is collected (the number may be someone else's by then).
  static std::vector<int> closed;
  posix::Sys().close = [](int fd) {
    closed.push_back(fd);
    return close(fd);
  };
  platform::ProcessHandle game =
      platform::StartProgram((engine + "et.exe").c_str(), "", engine.c_str());
  platform::CloseProcess(game);
  EXPECT_EQ(CountDescriptors(), descriptors) << "the pidfd outlived its handle";
  WriteFile(engine + "quit", "");
  Until([] {
    platform::CloseProcess(nullptr);
    return Children().empty();
  });
  EXPECT_EQ(closed.size(), 1u) << "the pidfd is closed once";
  ExpectNothingLeft();
}

}  // namespace
