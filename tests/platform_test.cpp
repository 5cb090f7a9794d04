// The plug-in on its platform layer, one suite for either system: the
// linked-in core (the objects the shipped library is made of) driven as a
// host drives it, the stand-in game started for real, and each file and
// process call made to fail through the layer's table of system calls.
#include <functional>

#include "launch/launch.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
using Calls = std::vector<hostkit::Call>;

constexpr int32_t kNotTheServerIndex = 99;  // any hosting index but the server index joins

class Platform : public GameSandbox {
 protected:
  void SetUp() override {
    GameSandbox::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    UseCore();
    sdll::Launch() = {};  // as at load: one process may run every test
    host.ClearCalls();
  }
  std::string Script() const { return ReadFile(engine + "etmain/launch.cfg"); }
};

TEST_F(Platform, EngineCheckFindsEtExeByPlainJoinFileOrFolderAndWarnsOtherwise) {
  const std::string dir = root + "/e", context = std::to_string(kContext);
  fs::create_directory(dir);
  const hostkit::Call read{"HostGetEngineString", {context, "general", "enginepath"}};
  const hostkit::Call warning{"HostMessageBox",
                              {"et.exe could not be found in the engine location you specified.\n"
                               "Please make sure you selected the right folder!",
                               "Wolf ET", "48"}};  // MB_ICONEXCLAMATION | MB_OK
  const hostkit::Call flags{"HostSetContentFlags", {context, std::to_string(kContentFlags)}};
  const hostkit::Call usable{"HostSetEngineValid", {context, "1"}};
  const hostkit::Call unusable{"HostSetEngineValid", {context, "0"}};
  struct Verdict {
    int32_t answer;  // 1 exactly when the warning was shown
    Calls calls;
  };
  const Verdict found{0, {read, flags, usable}}, missing{1, {read, warning, unusable}},
      unset{0, {read, unusable}};
  const std::string kNeverSet = "(never set: read as null)";
  auto check = [&](const char *what, const Verdict &verdict,
                   const std::vector<std::string> &folders) {
    for (const std::string &folder : folders) {
      SCOPED_TRACE(std::string(what) + ": \"" + folder + "\"");
      if (folder == kNeverSet)
        host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
      else
        UseEngine(folder);
      host.ClearCalls();
      EXPECT_EQ(SDLL_EngineConfig(), verdict.answer) << "the answer: was the warning shown";
      EXPECT_EQ(host.calls(), verdict.calls) << "the host calls, in order";
      ExpectNothingLeft();
    }
  };
  check("no folder", unset, {"", kNeverSet});
  check("no et.exe", missing, {dir + "/", dir + "/nowhere/*", dir + "/*"});
  WriteFile(dir + "/et.exe", "");
  check("et.exe, also matched by a wildcard", found, {dir + "/", dir + "\\", dir + "/*"});
  check("no separator is put in", missing, {dir + "/?", dir});
  faults.Make(Fault::kSearchFindsNothing);
  check("a search that finds nothing", missing, {dir + "/"});
  faults.Clear();
  WriteFile(dir + "et.exe", "");
  check("the plain join names a file", found, {dir});
  fs::remove(dir + "/et.exe");
  fs::create_directory(dir + "/et.exe");
  check("a folder named et.exe counts", found, {dir + "/"});
  EXPECT_FALSE(platform::PathMatchesEntry((dir + "/").c_str())) << "a folder text names no entry";
  EXPECT_FALSE(platform::PathMatchesEntry("")) << "the empty text names no entry";
  EXPECT_TRUE(platform::PathMatchesEntry("/*")) << "the root folder has entries";
}

TEST_F(Platform, HostedGameRunsInItsFolderWithAScriptThatFollowsTheSettings) {
  // The engine folder in each spelling the plug-in takes, and the folder the host runs in.
  std::string other = engine;  // the other separator
  for (char &c : other) c = c == '/' ? '\\' : c == '\\' ? '/' : c;
  const fs::path path = engine;
  const std::string cwd = fs::current_path().string();
  const std::pair<std::string, std::string> folders[] = {
      {engine, cwd},
      {other, cwd},
      {path.relative_path().string(), path.root_path().string()},
      {"", engine}};
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
    UseEngine(folder);
    fs::current_path(from);
    fs::remove(root + "/record");
    HostGame(c.player, PackList({{8, "unused:1"}}).data());  // equal indices host even with a list
    const std::string record = Record();
    fs::current_path(cwd);
    EXPECT_EQ(Script(), c.script) << "the script";
    EXPECT_EQ(Reported(record, "cwd"), std::vector<std::string>{WorkingFolder(engine)})
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

TEST_F(Platform, JoinedGamePicksItsEntryAndReadsNoGameSetting) {
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
  for (const Case &c : cases) {
    SCOPED_TRACE("index " + std::to_string(c.index));
    host.ClearCalls();
    SDLL_LaunchMultiplayer(kContentFlags, c.index, kNotTheServerIndex, 0, list.data(), "P");
    EXPECT_EQ(Script(), "name P\r\nconnect " + c.server + "\r\n") << "the name and the entry";
    EXPECT_EQ(host.calls().size(), 2u) << "only enginepath and parameters are read";
    EXPECT_TRUE(PollUntilEnded()) << "the game ends";
  }
  EXPECT_EQ(Reported(Record(), "connect to"), std::vector<std::string>{"after"})
      << "the game was told the server";
  SDLL_LaunchMultiplayer(kContentFlags, 7, 8, 0, nullptr, "P");
  EXPECT_EQ(Script(), "name P\r\nconnect \r\n") << "no list: the empty entry";
  EXPECT_TRUE(PollUntilEnded()) << "the game ends";
}

// Each launch over what an earlier one left, and each file call failing in it.
TEST_F(Platform, BackupKeepsOneGenerationAndAFailedFileCallCostsOnlyWhatItDid) {
  const std::string script = engine + "etmain/launch.cfg", backup = script + ".bak";
  const char *const kAbsent = "(absent)";
  const char *const kNew = "name P\r\nconnect srv\r\n";
  auto text = [&](const std::string &path) {
    if (fs::is_directory(path)) return "a folder holding " + ReadFile(path + "/in");
    return fs::exists(path) ? ReadFile(path) : std::string(kAbsent);
  };
  auto fail = [&](Fault fault) { return [this, fault] { faults.Make(fault); }; };
  struct Case {
    const char *what;
    const char *script, *backup;  // before; null: absent
    std::function<void()> arrange;
    const char *script_after, *backup_after;
  } const cases[] = {
      {"the first launch: nothing to keep", nullptr, nullptr, [] {}, kNew, kAbsent},
      {"no script: the older backup stays", nullptr, "older", [] {}, kNew, "older"},
      {"a script replaces the older backup", "old", "older", [] {}, kNew, "old"},
      {"a read-only older backup can be neither deleted nor replaced", "old", "older",
       [&] { fs::permissions(backup, fs::perms::owner_read); }, kNew, "older"},
      {"a folder of the backup's name stays whole", "old", nullptr,
       [&] {
         fs::create_directory(backup);
         WriteFile(backup + "/in", "kept");
       },
       kNew, "a folder holding kept"},
      {"a search that finds nothing: no backup, the script written in place", "old", "older",
       fail(Fault::kSearchFindsNothing), kNew, "older"},
      {"the script cannot be opened: moved aside, not written anew", "old", "older",
       fail(Fault::kOpenFails), kAbsent, "old"},
      {"the older backup cannot be deleted: the move fails too, the script is written in place",
       "old", "older", fail(Fault::kDeleteFails), kNew, "older"},
      {"the script cannot be moved: the older backup is gone, the script written in place", "old",
       "older", fail(Fault::kMoveFails), kNew, kAbsent},
  };
  const auto list = PackList({{3, "srv"}});
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(script);
    fs::remove_all(backup);
    fs::remove(root + "/record");
    if (c.script != nullptr) WriteFile(script, c.script);
    if (c.backup != nullptr) WriteFile(backup, c.backup);
    c.arrange();
    SDLL_LaunchMultiplayer(kContentFlags, 0, kNotTheServerIndex, 0, list.data(), "P");
    faults.Clear();
    std::error_code absent;
    fs::permissions(backup, fs::perms::owner_write, fs::perm_options::add, absent);
    EXPECT_EQ(text(script), c.script_after) << "the script after the launch";
    EXPECT_EQ(text(backup), c.backup_after) << "the backup after the launch";
    const bool written = c.script_after != kAbsent;
    EXPECT_EQ(
        Reported(Record(), "script"),
        std::vector<std::string>{written ? "etmain/launch.cfg" : "etmain/launch.cfg not found"})
        << "the game starts all the same";
    EXPECT_TRUE(PollUntilEnded()) << "the game ends";
    ExpectNothingLeft();
  }
}

TEST_F(Platform, PollFollowsTheGameToItsEndThenPutsBackTheColourFromBeforeTheStart) {
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no game known";
  EXPECT_EQ(Highlight(), 0u) << "before any launch the saved colour is black";

  // The start itself changes the colour, then the user does while the game runs.
  constexpr uint32_t kBeforeLaunch = 0x112233, kByTheStart = 0x0000BB, kMeanwhile = 0x445566;
  SetHighlight(kBeforeLaunch);
  faults.BeforeEachStart([] { SetHighlight(kByTheStart); });
  SetEnv("FAKE_ET_RUN_MS", "-1");
  HostGame();
  Record();
  SetHighlight(kMeanwhile);
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0) << "running";
  faults.Make(Fault::kWaitFails);
  EXPECT_EQ(SDLL_MultiplayerFinished(), 0) << "a wait that fails sees no end";
  faults.Clear();
  EXPECT_EQ(Highlight(), kMeanwhile) << "a running game's colour is left alone";
  WriteFile(engine + "quit", "");
  ASSERT_TRUE(Until(SDLL_MultiplayerFinished)) << "the end is seen";
  EXPECT_EQ(Highlight(), kBeforeLaunch) << "the colour from before the start is back";
  SetHighlight(kMeanwhile);
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no game known";
  EXPECT_EQ(Highlight(), kBeforeLaunch) << "every poll after the end puts it back";
  ExpectNothingLeft();

  // Launches that start no game end at the first poll, with the colour of
  // the launch. Only the POSIX start is set up in steps that can fail.
  const std::string cwd = fs::current_path().string(), program = engine + "et.exe";
  const Arranged starts[] = {
      {"the start fails", [&] { faults.Make(Fault::kStartFails); }},
      {"the start gives no process", [&] { faults.Make(Fault::kStartGivesNoProcess); }},
#ifndef _WIN32
      {"the working folder cannot be set",
       [] { layer::Sys().spawn_file_actions_addchdir = Answer<ENOMEM>; }},
      {"the spawn's file actions cannot be made",
       [] { layer::Sys().spawn_file_actions_init = Answer<ENOMEM>; }},
      {"our own folder is unknown, for an engine folder relative to it",
       [&] {
         fs::current_path("/");
         UseEngine(engine.substr(1));
         fs::create_directories(engine + engine.substr(1));
         fs::copy_file(SDLL_FAKE_GAME_PATH, engine + engine.substr(1) + "et.exe");
         layer::Sys().getcwd = Refuse<EACCES, char *>;
       }},
      {"no et.exe", [&] { fs::remove(program); }},
      {"a folder named et.exe",
       [&] {
         fs::remove(program);
         fs::create_directory(program);
       }},
      {"an et.exe that may not be executed",
       [&] { fs::permissions(program, fs::perms::owner_read | fs::perms::owner_write); }},
#endif
  };
  for (const Arranged &start : starts) {
    SCOPED_TRACE(start.what);
    start.arrange();
    SetHighlight(kByTheStart);
    HostGame();
    fs::current_path(cwd);
    faults.Clear();
    SetHighlight(kMeanwhile);
    EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no process: the game counts as ended";
    EXPECT_EQ(Highlight(), kByTheStart) << "the colour read at the launch is back";
    ExpectNothingLeft();
    UseEngine(engine);
    fs::remove_all(program);
    fs::copy_file(Native(SDLL_FAKE_GAME_PATH), program);
  }
}

}  // namespace
