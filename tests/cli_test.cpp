// wolfet-host run as a person would, in a folder and with a colour file of
// its own; the server browser against stand-in servers on 127.0.0.1.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <dlfcn.h>

#include <atomic>
#include <exception>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>

#include "support/sandbox.h"
#include "tools/host/servers/stand_in_network.h"

namespace {

using namespace wolfet_host;  // NOLINT: the stand-in network's names

namespace fs = std::filesystem;
using nlohmann::json;
const std::string kOob = "\xff\xff\xff\xff";

std::string Quote(const std::string &text) {
  return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeScratch();
    ASSERT_NE(dir, "");
    engine = dir + "/engine/";
    fs::create_directories(engine + "etmain");
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs the host in `dir` with `args` (quoted where needed), its output
  // in files or, for `terminal`, on a terminal of its own, and checks its
  // exit code and that it said each of `says`.
  void Expect(int code, const std::string &args, std::vector<std::string> says = {},
              const std::string &env = "", bool terminal = false) {
    const auto start = std::chrono::steady_clock::now();
    std::string run =
        std::string(WOLFET_HOST_EMULATOR) + " " + Quote(WOLFET_HOST_PATH) + " " + args;
    if (terminal) run = "script -qec " + Quote(run) + " /dev/null";
    const int status = std::system(
        ("cd " + Quote(dir) + " && env SDLL_SYSCOLOR_FILE=" + Quote(dir + "/colours") + " " + env +
         " " + run + " >" + Quote(dir + "/stdout") + " 2>" + Quote(dir + "/stderr"))
            .c_str());
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out = ReadFile(dir + "/stdout");
    err = ReadFile(dir + "/stderr");
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, code) << args << "\n" << out << err;
    for (const std::string &text : says)
      EXPECT_NE((out + err).find(text), std::string::npos) << args << " lacks: " << text;
  }
  void InstallGame() { fs::copy_file(SDLL_FAKE_GAME_PATH, engine + "et.exe"); }

  std::string dir, engine, out, err;
  double seconds = 0;
};

TEST_F(Cli, DemoRunsTheWholeRoadToAnEndedGame) {
  Expect(0, "demo --game " + Quote(SDLL_FAKE_GAME_PATH) + " --game-ms 400",
         {"HostSetEngineValid 1", "all files match the manifest", "map oasis",
          "the game ended after", "as before the launch", "demo finished", "== 0. a sandbox",
          "== 1. the settings", "== 2. setting", "== 3. the plug-in checks", "== 4. verifying",
          "== 5. hosting", "  server name: ^1Orvanta Server", "page engine (8 settings)",
          "$ wolfet-host verify --record\n"});
  Expect(1, "demo --game-ms 600000 --game /no/such", {"stand-in game \"/no/such\" is not there"});
  EXPECT_FALSE(fs::exists(dir + "/colours")) << "the demo works in a sandbox";
  EXPECT_FALSE(fs::exists(dir + "/wolfet-host.json"));
}

TEST_F(Cli, EachExitCodeAndWhatItSays) {
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void *>(&std::terminate), &info), 0);
  Expect(2, "", {"A subcommand is required"});
  Expect(0, "servers --help", {"Exit codes: 0 success", "in [0.1 - 60]=3\n"});
  Expect(2, "set engine general enginpath /tmp/", {"'enginpath'", "enginepath, info2, parameters"});
  Expect(2, "set multiplayer general type 7", {"3 (Campaign)"});
  Expect(3, "--plugin " + Quote(dir + "/missing.so") + " schema", {dir + "/missing.so"});
  Expect(3, "--plugin " + Quote(info.dli_fname) + " schema", {"lacks the export SDLL_InitCall"});
  WriteFile(dir + "/wolfet-host.json", R"({"last_check": 5})");  // edited by hand: replaced
  Expect(4, "check", {"is not set; set it with: wolfet-host set engine general enginepath"});
  Expect(4, "host", {"is not set; set it with: wolfet-host set engine general enginepath FOLDER/"});
  Expect(4, "verify", {"content flags 0x0)", "is not set, so et.exe cannot be found"});
  Expect(0, "set engine general enginepath " + Quote(dir + "/engine"),
         {"hint: '" + dir + "/engine' does not end with '/'", "look for '" + dir + "/engineet.exe'",
          "Set '" + engine + "' instead."});
  Expect(4, "check",
         {"et.exe could not be found in the engine location you specified.",
          "no et.exe at \"" + dir + "/engineet.exe\"", "lacks the trailing '/'"});
  Expect(0, "set engine general enginepath " + Quote(engine));
  Expect(4, "check", {"SDLL_EngineConfig answered 1 (it showed a message)"});
  Expect(4, "host", {"no et.exe at \"" + engine + "et.exe\""});
  InstallGame();
  fs::remove(engine + "etmain");
  Expect(4, "host", {"has no etmain folder"});
  fs::create_directory(engine + "etmain");
  Expect(2, "host", {"hosting needs a map"});
  Expect(0, "set multiplayer general map 'oasis - Siwa Oasis'");
  fs::permissions(engine + "et.exe", fs::perms::all, fs::perm_options::remove);
  Expect(0, "host", {"(1 polls); it ended at the first poll: did it start at all?"});
  Expect(2, "join --pick 2 a b", {"--pick 2 names no server; give 0 to 1"});
  Expect(2, "join --pick 0 " + std::string(256, 'x'),
         {"is 256 bytes long; a server entry holds at most 255"});
  Expect(2, "join --player " + Quote("a\nb") + " x", {"control character"});
  Expect(2, "host --interval 0", {"--interval: Value 0 not in range 1 to 10000"});
  Expect(2, "servers --master 127.0.0.1:65536");
  Expect(2, "--settings other.json join --pick 0", {"run 'wolfet-host servers' first"});
  WriteFile(dir + "/wolfet-host.servers.json", R"({"servers": [{"address": "a:1"}, 5]})");
  Expect(2, "join --pick 0", {"is empty or damaged"});

  // A settings file edited by hand: broken JSON is left for the user to
  // mend; a line break in a value would become a console command.
  WriteFile(dir + "/wolfet-host.json", "{ not json");
  Expect(2, "settings", {"wolfet-host.json is not a JSON object"});
  EXPECT_EQ(ReadFile(dir + "/wolfet-host.json"), "{ not json");
  WriteFile(dir + "/wolfet-host.json", "[1]");
  Expect(2, "get engine general enginepath", {"not a JSON object"});
  WriteFile(dir + "/wolfet-host.json", R"({"multiplayer": {"general": {"map": "x\nquit -"}}})");
  Expect(2, "check", {"multiplayer general map in wolfet-host.json holds a control character"});
}

TEST_F(Cli, SettingsShowWhatTheHostKeepsAndHandEditedValuesAsText) {
  Expect(0, "schema",
         {"settings schema of Wolf ET (1902 bytes)", "page multiplayer (4 settings)",
          "    type: select\n", "- 2 = \"Last Man Standing\"",
          "parameters: text, default \"\", maxlength 0\n",
          "      | (Siwa Oasis - North Africa) and (W\xC3\xBC"});
  EXPECT_EQ(out.find("maprestart"), std::string::npos);
  WriteFile(dir + "/wolfet-host.json",
            R"({"mine": [1, 2], "engine": {"servers": {"performquery": false}, "x": {"y": 1}},
                "multiplayer": {"general": {"type": 3, "allowdownload": true, "map": 1.5}},
                "last_check": {"content_flags": 16384}})");
  Expect(0, "get engine servers performquery", {"0\n"});
  Expect(0, "get engine servers masteraddress", {"etmaster.idsoftware.com\n"});
  Expect(0, "get multiplayer general map", {"is not set and has no default"});
  Expect(0, "settings",
         {"type = \"3\" (set)", "allowdownload = \"1\" (set)", "map = \"\" (not set)",
          "parameters = \"\" (default)", "holds engine x y, which the schema does not name",
          "content flags of the last check: 0x4000"});
  // A relative folder is kept absolute: the game starts in it from anywhere.
  Expect(0, "set engine general enginepath engine/", {"(saved in wolfet-host.json)"});
  Expect(0, "get engine general enginepath", {engine + "\n"});
  EXPECT_NE(ReadFile(dir + "/wolfet-host.json").find("\"mine\""), std::string::npos);
  WriteFile(dir + "/wolfet-host.json", R"({"engine": {"general": 5}})");
  Expect(0, "set engine general enginepath " + Quote(engine));
  for (const char *flags : {"4294967296", "\"1\"", "-1"}) {  // no flags, no failure
    WriteFile(dir + "/wolfet-host.json",
              std::string(R"({"last_check": {"content_flags": )") + flags + "}}");
    Expect(0, "settings");
    EXPECT_EQ(out.find("content flags"), std::string::npos) << flags;
  }
}

TEST_F(Cli, VerifyFindsTheFilesWhereTheGameDoesAndComparesSizeAndDigest) {
  // Contents with known SHA-256 digests: the two-block message of FIPS 180-2
  // and a million 'a's. The pak is found in etmain; et.exe in the engine
  // folder before etmain.
  const std::string two_blocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  WriteFile(engine + "et.exe", two_blocks);
  WriteFile(engine + "etmain/et.exe", "not the game");
  WriteFile(engine + "etmain/pak0.pk3", std::string(1000000, 'a'));
  Expect(0, "set engine general enginepath " + Quote(engine));
  Expect(0, "verify", {"content flags 0x0", "named no content file", "no manifest yet"});
  Expect(0, "check", {"content flags: 0x4000, kept for verify and launch"});
  Expect(
      0, "verify --record",
      {"et.exe: found in the engine folder, " + engine + "et.exe, 56 bytes",
       "pak0.pk3: found in etmain, " + engine + "etmain/pak0.pk3, 1000000 bytes",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", "recorded 2 file(s)"});
  Expect(0, "verify", {"all files match the manifest"});
  std::string changed = two_blocks;
  changed[10] = 'X';
  WriteFile(engine + "et.exe", changed);
  fs::remove(engine + "etmain/pak0.pk3");
  Expect(5, "verify",
         {"2 difference(s)", engine + "et.exe: same size, sha256 248d6a61",
          engine + "etmain/pak0.pk3: missing (recorded with 1000000 bytes)",
          "verification failed for the engine folder"});
  WriteFile(engine + "et.exe", "short");
  Expect(5, "verify", {engine + "et.exe: size 56 -> 5 bytes"});
}

TEST_F(Cli, LaunchesWritePlainLinesUntilTheGameEnds) {
  InstallGame();
  Expect(0, "set engine general enginepath " + Quote(engine));
  Expect(0, "set multiplayer general map 'goldrush - Gold Rush'");
  Expect(0, "set multiplayer general type 1");
  Expect(0, "host --player 'Tom Two'",
         {"launching with content flags 0", "hosting a game as \"Tom Two\"",
          "  name Tom Two\n  g_gametype 3\n  map goldrush\n", "the game ended after",
          "highlight colour: 0x00D77800 (#0078D7), as before the launch"},
         "FAKE_ET_RUN_MS=400");
  EXPECT_EQ(out.find_first_of("\x1b\r"), std::string::npos);
  Expect(0, "check");
  Expect(0, "join --pick 1 " + std::string(255, 'x') + " second.example:27961",
         {"joining server 1 \"second.example:27961\""}, "FAKE_ET_RUN_MS=0");
  EXPECT_EQ(err, "");
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg"),
            "name Player\r\nconnect second.example:27961\r\n");
  // On a terminal, a status line while the game runs (none for one that
  // ends at once), cleared before the end is told.
  Expect(0, "host", {"the game ended"}, "FAKE_ET_RUN_MS=0", true);
  EXPECT_EQ(out.find("\x1b"), std::string::npos) << out;
  Expect(0, "host --interval 20", {"game running", " s\r\x1b[Kthe game ended after 1."},
         "FAKE_ET_RUN_MS=1200", true);
  Expect(1, "host --timeout 0.3", {"still running after 0.3 s"}, "FAKE_ET_RUN_MS=5000");
  WriteFile(engine + "quit", "");  // the game it left behind goes before the folder does
  for (int i = 0; i < 100 && fs::exists(engine + "quit"); ++i) usleep(10000);
}

}  // namespace

#endif
