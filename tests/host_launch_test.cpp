// wolfet-host's launches where the plug-in, by its contract, does not look:
// the script it may fail to write, the texts that go into it unquoted and
// the colour it puts back only when a poll sees the game end.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <sstream>

#include "support/cli.h"
#include "tools/wolfet-host/console.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kUserColour = 0x00D77800;  // the stock highlight, before any launch
constexpr uint32_t kGameColour = 0x00112233;  // what the stand-in game sets
const std::string kOldScript = "name Old\r\nconnect 9.9.9.9:27960\r\n";

class HostLaunch : public Cli {
 protected:
  void SetUp() override {
    Cli::SetUp();
    InstallGame();
    Expect(kOk, "set engine general enginepath " + Quote(engine));
    Expect(kOk, "set multiplayer general map 'oasis - Siwa Oasis'");
    Expect(kOk, "check");
    settings = ReadFile(dir + "/wolfet-host.json");
    setenv("SDLL_SYSCOLOR_FILE", (dir + "/colours").c_str(), 1);
    WriteFile(dir + "/wolfet-host.servers.json",
              R"({"servers": [{"address": "1.2.3.4:27960"}, {"address": "1.2.3.4:27960;quit"}]})");
  }
  std::string Script() const { return ReadFile(engine + "etmain/launch.cfg"); }

  std::string settings;  // as `set` and `check` left them
};

struct Refused {
  const char *name;
  int code;
  std::string args;
  std::string says;
  std::string settings = "";  // empty: as set up
};

TEST_F(HostLaunch, TextsTheGameWouldReadAsMoreThanOneCommandStartNothing) {
  const std::string folder_unslashed = engine.substr(0, engine.size() - 1);
  const std::vector<Refused> refusals = {
      {"';' in the player name", kBadArgument, "host --player 'Me;rcon_password x;quit'",
       "the player name (--player) \"Me;rcon_password x;quit\" holds ';'"},
      {"'\"' in the player name", kBadArgument, "host --player 'Me\"'", "holds '\"'"},
      {"';' in a server given", kBadArgument, "join '1.2.3.4;exec evil.cfg'",
       "server 0 \"1.2.3.4;exec evil.cfg\" holds ';'"},
      {"an empty server given", kBadArgument, "join ''", "server 0 is empty"},
      {"';' in the kept list", kBadArgument, "join --pick 1",
       "server 1 of the list kept in wolfet-host.servers.json \"1.2.3.4:27960;quit\" holds ';'"},
      {"';' in a map set", kBadArgument, "set multiplayer general map 'oasis;quit - x'",
       "the map name of multiplayer general map \"oasis;quit\" holds ';'"},
      {"';' in a map edited by hand", kBadArgument, "host",
       "the map name of multiplayer general map in wolfet-host.json \"oasis;quit\" holds ';'",
       R"({"engine": {"general": {"enginepath": ")" + engine +
           R"("}}, "multiplayer": {"general": {"map": "oasis;quit - x"}}})"},
      {"a folder without its trailing '/'", kEngineFolder, "join 1.2.3.4:27960",
       "lacks the trailing '/' the plug-in needs",
       R"({"engine": {"general": {"enginepath": ")" + folder_unslashed + R"("}}})"},
  };
  for (const Refused &refused : refusals) {
    Step(refused.name);
    WriteFile(dir + "/wolfet-host.json", refused.settings.empty() ? settings : refused.settings);
    Expect(refused.code, refused.args, {refused.says}, "FAKE_ET_RUN_MS=0");
    EXPECT_FALSE(fs::exists(engine + "etmain/launch.cfg")) << step << ": no script is written";
  }
  Step("the kept list's other entry");
  WriteFile(dir + "/wolfet-host.json", settings);
  Expect(kOk, "join --pick 0", {}, "FAKE_ET_RUN_MS=0");
  EXPECT_EQ(Script(), "name Player\r\nconnect 1.2.3.4:27960\r\n") << "a sound entry is joined";
}

TEST_F(HostLaunch, AScriptThePlugInCannotWriteIsNeverTakenForTheNewOne) {
  Step("etmain/ not writable, an old script in it");
  WriteFile(engine + "etmain/launch.cfg", kOldScript);
  // Root writes anywhere, so the host then runs as nobody in a folder it may only read.
  const bool root = geteuid() == 0;
  fs::permissions(dir, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  if (!root) fs::permissions(engine + "etmain", fs::perms::owner_write, fs::perm_options::remove);
  Expect(
      kFailure, "join 1.2.3.4:27960",
      {"etmain/ must be writable for the plug-in to write launch.cfg there; nothing was started"},
      std::string("FAKE_ET_RUN_MS=0 ") +
          (root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : ""));
  fs::permissions(engine + "etmain", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_FALSE(Told("connect to:")) << "no game is started";
  EXPECT_EQ(Script(), kOldScript) << "the old script stays as it was";

  Step("a script that cannot be created in a writable etmain/");
  fs::remove(engine + "etmain/launch.cfg");
  fs::create_directories(engine + "etmain/launch.cfg");  // moved aside it would replace ...
  fs::create_directories(engine + "etmain/launch.cfg.bak/kept");  // ... a backup it cannot
  Expect(
      kFailure, "join 1.2.3.4:27960",
      {"the plug-in wrote no new launch script at " + engine + "etmain/launch.cfg (there is none)",
       "so the game it started runs an old script or none: close that game"},
      "FAKE_ET_RUN_MS=0");
}

// Each stop on a terminal of its own, whose closing ends the game too.
struct Stop {
  const char *name;
  std::string args;
  std::string says;
};

TEST_F(HostLaunch, AWaitStoppedBeforeTheGameEndsPutsTheColourBackAndKeepsItForTheNextLaunch) {
  // The game works in the engine folder: the colour file is named from anywhere.
  const std::string game = "SDLL_SYSCOLOR_FILE=" + dir + "/colours FAKE_ET_RUN_MS=3000 " +
                           "FAKE_ET_SET_COLOUR=" + std::to_string(kGameColour);
  const std::string user_colour = "0x00D77800 (#0078D7)";
  const std::string after_a_second = " & sleep 1; kill -";
  const std::vector<Stop> stops = {
      {"--timeout", "host --timeout 1", "still running after 1.0 s; stopped waiting for it"},
      {"Ctrl-C", "host --interval 20" + after_a_second + "INT $!; wait $!",
       "stopped waiting for the game in \"" + engine + "\" on Ctrl-C (SIGINT)"},
      {"SIGTERM", "host --interval 20" + after_a_second + "TERM $!; wait $!", "on SIGTERM"},
  };
  for (const Stop &stop : stops) {
    Step(stop.name);
    Expect(kFailure, stop.args,
           {stop.says,
            "The highlight colour from before the launch, " + user_colour +
                ", is put back (the game had set 0x00112233 (#332211))",
            "it stays kept in wolfet-host.colour"},
           game, true);
    EXPECT_EQ(Highlight(), kUserColour) << step << ": the colour from before the launch is back";
    EXPECT_LT(out.rfind("game running"), out.rfind("\r\x1b[K"))
        << step << ": a status line was shown and cleared after its last redraw";
  }

  Step("the game sets its colour after the host has gone; the next launch");
  SetHighlight(kGameColour);
  Expect(kOk, "host",
         {"note: an earlier launch stopped waiting before its game ended",
          "put that back before this launch",
          "highlight colour: " + user_colour + ", as before the launch"},
         "FAKE_ET_RUN_MS=0");
  EXPECT_FALSE(fs::exists(dir + "/wolfet-host.colour")) << "a game seen to end keeps nothing";

  Step("a kept colour past 32 bits is no colour, and nothing starts");
  WriteFile(dir + "/wolfet-host.colour", "0x100000000\n");
  Expect(kFailure, "host", {"holds no highlight colour", "mend or remove it"});
}

TEST_F(HostLaunch, TheGamesLinesOnTheTerminalNeverShareTheStatusLine) {
  WriteFile(
      engine + "et.exe",
      "#!/bin/sh\nsleep 0.5\necho '----- FS_Startup -----'\nsleep 0.3\nprintf open\nsleep 0.3\n");
  fs::permissions(engine + "et.exe", fs::perms::owner_all);
  Expect(kOk, "host --interval 20",
         {"\r\x1b[K----- FS_Startup -----\r\n", "open\r\nthe game ended after"}, "", true);
  EXPECT_EQ(out.find(" s----- FS_Startup"), std::string::npos)
      << "no status line before the game's line";
  EXPECT_LT(out.find("FS_Startup"), out.rfind("game running"))
      << "the game's lines come through while it runs";
}

TEST(StatusLine, DrawsFromItsFirstStepWithASpinnerOfFourTurnsAndClearsOnce) {
  constexpr int kTurns = 4;
  std::ostringstream out;
  {
    wolfet_host::StatusLine line(out, true);
    for (int step = 0; step <= kTurns; ++step) line.Show("t");
  }
  const std::string erase = "\r\033[K";
  EXPECT_EQ(out.str(),
            erase + "/ t" + erase + "- t" + erase + "\\ t" + erase + "| t" + erase + "/ t" + erase)
      << "each step redraws the line a turn on, the fifth back at the first, and it is "
         "cleared when it goes";
}

}  // namespace

#endif
