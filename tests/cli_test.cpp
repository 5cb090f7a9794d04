// wolfet-host run as a person would, in a folder and with a colour file of
// its own; the servers command against stand-in servers on 127.0.0.1.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include "support/cli.h"

#include <dlfcn.h>

#include <atomic>
#include <exception>
#include <nlohmann/json.hpp>

#include "tools/wolfet-host/servers/kept_list.h"
#include "tools/stand-ins/stand_in_network.h"

namespace {

using namespace wolfet_host;  // NOLINT: the stand-in network and the kept list
namespace fs = std::filesystem;
using nlohmann::json;

TEST_F(Cli, DemoRunsTheWholeRoadToAnEndedGame) {
  Step("the demo with the stand-in game");
  Expect(kOk, "demo --game " + Quote(SDLL_FAKE_GAME_PATH) + " --game-ms 400",
         {"page engine (8 settings)", "HostSetEngineValid 1", "$ wolfet-host verify --record\n",
          "all files match the manifest", "  server name: ^1Orvanta Server", "map oasis",
          "the game ended after", "as before the launch", "demo finished"});
  Step("the demo without a game");
  Expect(kFailure, "demo --game-ms 600000 --game /no/such",
         {"stand-in game \"/no/such\" is not there"});
  EXPECT_FALSE(fs::exists(dir + "/colours")) << "the demo keeps the desktop colours in its sandbox";
  EXPECT_FALSE(fs::exists(dir + "/wolfet-host.json")) << "and its settings file there too";
}

// A command run in a folder holding nothing but, where given, a settings
// file written by hand.
struct Refusal {
  const char *name;
  int code;
  std::string args;
  std::vector<std::string> says;
  const char *settings = nullptr;
};

TEST_F(Cli, WhatCannotBeUsedIsRefusedWithItsOwnCodeAndWhy) {
  const std::vector<Refusal> refusals = {
      {"no subcommand", kBadArgument, "", {"A subcommand is required"}},
      {"help", kOk, "servers --help", {"Exit codes: 0 success", "in [0.1 - 60]=3\n"}},
      {"a misspelled setting",
       kBadArgument,
       "set engine general enginpath /tmp/",
       {"'enginpath'", "enginepath, info2, parameters"}},
      {"a select value with no list entry",
       kBadArgument,
       "set multiplayer general type 7",
       {"3 (Campaign)"}},
      {"a plug-in that is not there", kPlugin, "--plugin /no/such.so schema", {"/no/such.so"}},
      {"options out of range",
       kBadArgument,
       "host --interval 0",
       {"--interval: Value 0 not in range 1 to 10000"}},
      {"a port out of range", kBadArgument, "servers --master 127.0.0.1:65536", {}},
      {"a pick past the list",
       kBadArgument,
       "join --pick 2 a b",
       {"--pick 2 names no server; give 0 to 1"}},
      {"a server text longer than an entry holds",
       kBadArgument,
       "join --pick 0 " + std::string(256, 'x'),
       {"is 256 bytes long; a server entry holds at most 255"}},
      {"a line break in the player name",
       kBadArgument,
       "join --player 'a\nb' x",
       {"control character"}},
      {"no folder set",
       kEngineFolder,
       "host",
       {"is not set; set it with: wolfet-host set engine general enginepath FOLDER/"}},
      {"no folder set, verified",
       kEngineFolder,
       "verify",
       {"is not set; set it with: wolfet-host set engine general enginepath FOLDER/"}},
      {"a last check edited by hand is refused, not replaced",
       kBadArgument,
       "check",
       {"wolfet-host.json: last_check is 5, not an object"},
       R"({"last_check": 5})"},
      {"broken JSON",
       kBadArgument,
       "settings",
       {"wolfet-host.json is not a JSON object"},
       "{ not json"},
      {"JSON that is no object",
       kBadArgument,
       "get engine general enginepath",
       {"not a JSON object"},
       "[1]"},
      {"a line break in a value, which would become a console command",
       kBadArgument,
       "check",
       {"multiplayer general map in wolfet-host.json holds a control character"},
       R"({"multiplayer": {"general": {"map": "x\nquit -"}}})"},
  };
  for (const Refusal &refusal : refusals) {
    Step(refusal.name);
    fs::remove(dir + "/wolfet-host.json");
    if (refusal.settings != nullptr) WriteFile(dir + "/wolfet-host.json", refusal.settings);
    Expect(refusal.code, refusal.args, refusal.says);
    if (refusal.settings != nullptr && refusal.code == kBadArgument) {
      EXPECT_EQ(ReadFile(dir + "/wolfet-host.json"), refusal.settings)
          << refusal.name << ": a file refused is left for the user to mend";
    }
  }
  Step("a library that is no plug-in");
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void *>(&std::terminate), &info), 0);
  Expect(kPlugin, "--plugin " + Quote(info.dli_fname) + " schema",
         {"lacks the export SDLL_InitCall"});
}

TEST_F(Cli, AnEngineFolderThatIsNotUsableIsNamedWithWhatItLacks) {
  Step("a folder without its trailing separator");
  Expect(kOk, "set engine general enginepath " + Quote(dir + "/engine"),
         {"hint: '" + dir + "/engine' does not end with '/'", "look for '" + dir + "/engineet.exe'",
          "Set '" + engine + "' instead."});
  Expect(kEngineFolder, "check",
         {"et.exe could not be found in the engine location you specified.",
          "no et.exe at \"" + dir + "/engineet.exe\"", "lacks the trailing '/'"});
  Step("a folder without et.exe");
  Expect(kOk, "set engine general enginepath " + Quote(engine));
  Expect(kEngineFolder, "check", {"SDLL_EngineConfig answered 1 (it showed a message)"});
  Expect(kEngineFolder, "host", {"no et.exe at \"" + engine + "et.exe\""});
  Step("a folder without etmain");
  InstallGame();
  fs::remove(engine + "etmain");
  Expect(kEngineFolder, "host", {"has no etmain folder"});
}

TEST_F(Cli, SettingsShowWhatTheHostKeepsAndHandEditedValuesAsText) {
  Step("the schema");
  Expect(kOk, "schema",
         {"settings schema of Wolf ET (" + std::to_string(SchemaText().size()) + " bytes)",
          "page multiplayer (4 settings)", "    type: select\n", "- 2 = \"Last Man Standing\"",
          "parameters: text, default \"\", maxlength 0\n",
          "      | (Siwa Oasis - North Africa) and (W\xC3\xBC"});
  EXPECT_FALSE(Told("maprestart")) << "a commented-out setting is not shown";

  Step("values written by hand as numbers and booleans");
  WriteFile(dir + "/wolfet-host.json",
            R"({"engine": {"servers": {"performquery": false}},
                "multiplayer": {"general": {"type": 3, "allowdownload": true}},
                "last_check": {"content_flags": 16384}})");
  Expect(kOk, "get engine servers performquery", {"0\n"});
  Expect(kOk, "get engine servers masteraddress", {"etmaster.idsoftware.com\n"});
  Expect(kOk, "get multiplayer general map", {"is not set and has no default"});
  Expect(kOk, "settings",
         {"type = \"3\" (set)", "allowdownload = \"1\" (set)", "map = \"\" (not set)",
          "parameters = \"\" (default)", "content flags of the last check: 0x4000"});

  Step("a relative folder is kept absolute: the game starts in it from anywhere");
  Expect(kOk, "set engine general enginepath engine/", {"(saved in wolfet-host.json)"});
  Expect(kOk, "get engine general enginepath", {engine + "\n"});
}

TEST_F(Cli, VerifyFindsTheFilesWhereTheGameDoesAndComparesSizeAndDigest) {
  // Contents with known SHA-256 digests (FIPS 180-2).
  const std::string two_blocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  const std::string two_blocks_sha256 =
      "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
  const std::string million_a(1000000, 'a');
  const std::string million_a_sha256 =
      "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";
  const std::string two_blocks_size = std::to_string(two_blocks.size());
  const std::string million_a_size = std::to_string(million_a.size());

  Step("et.exe in the engine folder wins over one in etmain; the pak is found in etmain");
  WriteFile(engine + "et.exe", two_blocks);
  WriteFile(engine + "etmain/et.exe", "not the game");
  WriteFile(engine + "etmain/pak0.pk3", million_a);
  Expect(kOk, "set engine general enginepath " + Quote(engine));
  Expect(kOk, "verify",
         {"no check has been run", "checking the folder now", "content flags 0x4000",
          "no manifest yet"});
  Expect(kOk, "check", {"content flags: 0x4000, kept for verify and launch"});
  Expect(kOk, "verify --record",
         {"et.exe: found in the engine folder, " + engine + "et.exe, " + two_blocks_size + " bytes",
          "pak0.pk3: found in etmain, " + engine + "etmain/pak0.pk3, " + million_a_size + " bytes",
          two_blocks_sha256, million_a_sha256, "recorded 2 file(s)"});
  Expect(kOk, "verify", {"all files match the manifest"});

  Step("a changed byte and a missing file");
  std::string changed = two_blocks;
  changed[10] = 'X';
  WriteFile(engine + "et.exe", changed);
  fs::remove(engine + "etmain/pak0.pk3");
  Expect(kVerifyDiffers, "verify",
         {"2 difference(s)", engine + "et.exe: same size, sha256 " + two_blocks_sha256 + " -> ",
          engine + "etmain/pak0.pk3: missing (recorded with " + million_a_size + " bytes)",
          "verification failed for the engine folder"});

  Step("a changed size");
  WriteFile(engine + "et.exe", "short");
  Expect(kVerifyDiffers, "verify", {engine + "et.exe: size " + two_blocks_size + " -> 5 bytes"});
}

TEST_F(Cli, LaunchesAreCheckedFirstAndWritePlainLinesUntilTheGameEnds) {
  InstallGame();
  Expect(kOk, "set engine general enginepath " + Quote(engine));
  Step("hosting without a map");
  Expect(kBadArgument, "host", {"hosting needs a map"});
  Expect(kOk, "set multiplayer general map 'goldrush - Gold Rush'");
  Expect(kOk, "set multiplayer general type 1");

  Step("hosting, piped");
  Expect(kOk, "host --player 'Tom Two'",
         {"launching with content flags 0", "hosting a game as \"Tom Two\"",
          "  name Tom Two\n  g_gametype 3\n  map goldrush\n", "the game ended after",
          "highlight colour: 0x00D77800 (#0078D7), as before the launch"},
         "FAKE_ET_RUN_MS=400");
  EXPECT_EQ(out.find_first_of("\x1b\r"), std::string::npos) << "a pipe gets no status line";

  Step("joining the second of two servers, the first as long as an entry may be");
  Expect(kOk, "check");
  Expect(kOk, "join --pick 1 " + std::string(255, 'x') + " second.example:27961",
         {"joining server 1 \"second.example:27961\""}, "FAKE_ET_RUN_MS=0");
  EXPECT_EQ(err, "") << "a checked launch needs no note";
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg"),
            "name Player\r\nconnect second.example:27961\r\n")
      << "the script connects to the server picked";
  Step("joining the first server of a list");
  Expect(kOk, "join --pick 0 first.example:27960 second.example:27961", {}, "FAKE_ET_RUN_MS=0");
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg"),
            "name Player\r\nconnect first.example:27960\r\n")
      << "index 0 is a server too, not a game of our own";

  Step("on a terminal, a game that ends at once");
  Expect(kOk, "host", {"the game ended"}, "FAKE_ET_RUN_MS=0", true);
  EXPECT_EQ(out.find("\x1b"), std::string::npos) << "no status line for a game that never ran";
  Step("on a terminal, a game that runs");
  Expect(kOk, "host --interval 20", {"game running", " s\r\x1b[Kthe game ended after 1."},
         "FAKE_ET_RUN_MS=1200", true);

  Step("a game that outlives --timeout");
  Expect(kFailure, "host --timeout 0.3", {"still running after 0.3 s"}, "FAKE_ET_RUN_MS=5000");
  WriteFile(engine + "quit", "");  // the game it left behind goes before the folder does
  for (int i = 0; i < 100 && fs::exists(engine + "quit"); ++i) usleep(10000);

  Step("a game that does not start");
  fs::permissions(engine + "et.exe", fs::perms::all, fs::perm_options::remove);
  Expect(kOk, "host", {"(1 polls); it ended at the first poll: did it start at all?"});
}

TEST_F(Cli, ServersListsTheMastersServersKeepsThemForJoinAndFailsWithItsOwnCodes) {
  Step("a master in the settings listing a silent server before two answering ones");
  std::atomic<int> asked{0}, mute_asked{0}, endless_asked{0};  // outlive the stand-ins
  StandInServers net;
  const auto counting = [&net](std::vector<Reply> replies, std::atomic<int> *count) {
    return net.Add([replies, count](const std::string &, int) {
      ++*count;
      return replies;
    });
  };
  const uint16_t silent = counting({}, &endless_asked);
  std::string list = kMasterHead + MasterEntry(kLoopback, silent);
  for (const char *pairs : {"\\hostname\\^1Red^7Fox\\mapname\\oasis", "\\hostname\\Blue"})
    list += MasterEntry(kLoopback, net.Add(GameServer(pairs)));
  const auto address = [](uint16_t port) { return "127.0.0.1:" + std::to_string(port); };
  const std::string master = address(counting({list + kMasterEnd}, &asked));
  const std::string mute = address(counting({}, &mute_asked));
  const std::string endless = address(counting({list}, &endless_asked));
  net.Start();
  Expect(kOk, "set engine servers masteraddress " + master);

  Step("the table, in a pipe");
  Expect(kOk, "servers --timeout 0.5",
         {"3 servers listed by " + master + ", 2 answering, 1 silent, 0 unreachable ("});
  EXPECT_LT(seconds, kTimeout + kSlack) << "the query ends at its deadline";
  EXPECT_EQ(out.find_first_of("^\x1b"), std::string::npos) << "a pipe gets no colour codes";
  EXPECT_FALSE(Told("did not end")) << "a list that ended gets no note";

  Step("--json prints the list it keeps");
  Expect(kOk, "servers --json --timeout 0.5");
  const json printed = json::parse(out);
  ASSERT_EQ(printed.size(), 3u) << out;
  EXPECT_EQ(printed[2]["address"], address(silent)) << "the silent server last";
  std::vector<std::string> addresses;
  for (const json &server : printed) addresses.push_back(server["address"]);
  EXPECT_EQ(StoredServerAddresses(dir + "/wolfet-host.json"), addresses) << "the list kept";

  Step("join --pick N connects to entry N of that list");
  InstallGame();
  Expect(kOk, "set engine general enginepath " + Quote(engine));
  Expect(kOk, "join --pick 1", {}, "FAKE_ET_RUN_MS=0");
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg"),
            "name Player\r\nconnect " + addresses[1] + "\r\n")
      << "the picked server";

  Step("with public servers off, the master of the settings is not asked");
  const int asked_before = asked;
  Expect(kOk, "set engine servers performquery 0");
  Expect(kOk, "servers --timeout 0.5",
         {"public servers are off (engine servers performquery is 0)"});
  EXPECT_EQ(asked, asked_before) << "no query made";

  Step("a master named with --master that sends nothing");
  Expect(kNoMaster, "servers --timeout 0.5 --master " + mute,
         {"the master server " + mute + " sent no server list within 0.5 s"});
  EXPECT_LT(seconds, kTimeout + kSlack) << "the query ends at its deadline";
  EXPECT_EQ(mute_asked, kAttempts) << "a silent master is asked three times, no more";
  Step("a master whose list never ends");
  Expect(kOk, "servers --timeout 0.5 --master " + endless,
         {"note: the master's list did not end before the deadline"});
}

}  // namespace

#endif
