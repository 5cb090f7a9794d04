// wolfet-host as a person runs it: a separate process, its exit status,
// what it prints. Each test works in a folder of its own, with the
// desktop colour file inside it.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out, err;
};

std::string Quote(const std::string &text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/wolfet-cli-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    engine = dir + "/engine/";
    fs::create_directories(engine + "etmain");
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs the host in `dir` with `args` (already quoted where needed). Its
  // output goes to files, never a terminal; a game it leaves running keeps
  // only those files open, so the run ends with the host.
  Result Run(const std::string &args, const std::string &env = "") {
    const std::string command =
        "cd " + Quote(dir) + " && env SDLL_SYSCOLOR_FILE=" + Quote(dir + "/colours") + " " + env +
        " " + WOLFET_HOST_EMULATOR + " " + Quote(WOLFET_HOST_PATH) + " " + args + " >" +
        Quote(dir + "/stdout") + " 2>" + Quote(dir + "/stderr");
    Result result;
    const int status = std::system(command.c_str());
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(dir + "/stdout");
    result.err = ReadFile(dir + "/stderr");
    return result;
  }

  void Write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  void InstallGame() {
    fs::copy_file(SDLL_FAKE_GAME_PATH, engine + "et.exe");
    fs::permissions(engine + "et.exe", fs::perms::owner_all, fs::perm_options::add);
  }

  std::string dir, engine;
};

#define EXPECT_CONTAINS(haystack, needle) \
  EXPECT_NE((haystack).find(needle), std::string::npos) << "missing: " << (needle)

TEST_F(Cli, DemoRunsTheWholeRoadToAnEndedGame) {
  const Result r = Run("demo --game " + Quote(SDLL_FAKE_GAME_PATH) + " --game-ms 400");
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_CONTAINS(r.out, "HostSetEngineValid 1");
  EXPECT_CONTAINS(r.out, "all files match the manifest");
  EXPECT_CONTAINS(r.out, "map oasis");
  EXPECT_CONTAINS(r.out, "the game ended after");
  EXPECT_CONTAINS(r.out, "as before the launch");
  EXPECT_CONTAINS(r.out, "demo finished");
  // The demo works in a sandbox: nothing of it lands where it was started.
  EXPECT_FALSE(fs::exists(dir + "/colours"));
  EXPECT_FALSE(fs::exists(dir + "/wolfet-host.json"));
}

TEST_F(Cli, SchemaAndSettingsShowWhatTheHostKeeps) {
  Result r = Run("schema");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_CONTAINS(r.out, "page engine (8 settings)");
  EXPECT_CONTAINS(r.out, "page multiplayer (4 settings)");
  EXPECT_CONTAINS(r.out, "- 2 = \"Last Man Standing\"");
  EXPECT_CONTAINS(r.out, "(Siwa Oasis - North Africa) and (W\xC3\xBCrzburg Radar");
  EXPECT_EQ(r.out.find("maprestart"), std::string::npos);

  // Keys the host does not know survive its saves; a relative folder is
  // kept absolute, since the game is started in it from anywhere.
  Write(dir + "/wolfet-host.json", R"({"mine": [1, 2]})");
  ASSERT_EQ(Run("set engine general enginepath engine/").code, 0);
  ASSERT_EQ(Run("set multiplayer general type 3").code, 0);
  EXPECT_EQ(Run("get engine general enginepath").out, engine + "\n");
  EXPECT_EQ(Run("get multiplayer general type").out, "3\n");
  EXPECT_EQ(Run("get engine servers performquery").out, "1\n");
  r = Run("settings");
  EXPECT_CONTAINS(r.out, "type = \"3\" (set)");
  EXPECT_CONTAINS(r.out, "allowdownload = \"0\" (default)");
  EXPECT_CONTAINS(r.out, "map = \"\" (not set)");
  EXPECT_CONTAINS(ReadFile(dir + "/wolfet-host.json"), "\"mine\"");
}

TEST_F(Cli, BadInputGivesItsExitCodeAndNamesWhatIsWrong) {
  Result r = Run("set engine general enginpath /tmp/");
  EXPECT_EQ(r.code, 2);
  EXPECT_CONTAINS(r.err, "'enginpath'");
  EXPECT_CONTAINS(r.err, "enginepath, info2, parameters");

  r = Run("set multiplayer general type 7");
  EXPECT_EQ(r.code, 2);
  EXPECT_CONTAINS(r.err, "3 (Campaign)");

  r = Run("--plugin " + Quote(dir + "/missing.so") + " schema");
  EXPECT_EQ(r.code, 3);
  EXPECT_CONTAINS(r.err, dir + "/missing.so");

  // A folder without et.exe: the plug-in warns, the host says which folder.
  ASSERT_EQ(Run("set engine general enginepath " + Quote(engine)).code, 0);
  r = Run("check");
  EXPECT_EQ(r.code, 4);
  EXPECT_CONTAINS(r.out, "et.exe could not be found in the engine location you specified.");
  EXPECT_CONTAINS(r.err, engine + "et.exe");
  EXPECT_EQ(Run("host").code, 4);

  // Without the trailing separator the plug-in would look for "engineet.exe".
  r = Run("set engine general enginepath " + Quote(dir + "/engine"));
  EXPECT_EQ(r.code, 0);
  EXPECT_CONTAINS(r.err, "does not end with '/'");

  r = Run("join --pick 0 " + std::string(256, 'x'));
  EXPECT_EQ(r.code, 2);
  EXPECT_CONTAINS(r.err, "at most 255");

  Write(dir + "/wolfet-host.json", "{ not json");
  r = Run("settings");
  EXPECT_EQ(r.code, 2);
  EXPECT_CONTAINS(r.err, "wolfet-host.json");
  EXPECT_EQ(ReadFile(dir + "/wolfet-host.json"), "{ not json");  // left for the user to mend

  // A line break edited into the file would become a console command.
  Write(dir + "/wolfet-host.json", R"({"multiplayer": {"general": {"map": "x\nquit -"}}})");
  r = Run("check");
  EXPECT_EQ(r.code, 2);
  EXPECT_CONTAINS(r.err, "multiplayer general map");
}

TEST_F(Cli, VerifyComparesSizeAndDigestWithTheRecordedManifest) {
  // Contents with known SHA-256 digests: the two-block message of FIPS 180-2
  // and a million 'a's.
  const std::string two_blocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  Write(engine + "et.exe", two_blocks);
  Write(engine + "pak0.pk3", std::string(1000000, 'a'));
  ASSERT_EQ(Run("set engine general enginepath " + Quote(engine)).code, 0);
  ASSERT_EQ(Run("check").code, 0);

  Result r = Run("verify --record");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_CONTAINS(r.out, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_CONTAINS(r.out, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_EQ(Run("verify").code, 0);

  // Same size, one byte changed: only the digest can tell.
  std::string changed = two_blocks;
  changed[10] = 'X';
  Write(engine + "et.exe", changed);
  fs::remove(engine + "pak0.pk3");
  r = Run("verify");
  EXPECT_EQ(r.code, 5);
  EXPECT_CONTAINS(r.out, "2 difference(s)");
  EXPECT_CONTAINS(r.out, engine + "et.exe: same size, sha256 248d6a61");
  EXPECT_CONTAINS(r.out, engine + "pak0.pk3: missing (recorded with 1000000 bytes)");
}

TEST_F(Cli, LaunchesOffATerminalWritePlainLinesUntilTheGameEnds) {
  InstallGame();
  ASSERT_EQ(Run("set engine general enginepath " + Quote(engine)).code, 0);
  ASSERT_EQ(Run("set multiplayer general map 'goldrush - Gold Rush'").code, 0);
  ASSERT_EQ(Run("set multiplayer general type 1").code, 0);
  ASSERT_EQ(Run("check").code, 0);

  Result r = Run("host --player 'Tom Two'", "FAKE_ET_RUN_MS=400");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_CONTAINS(r.out, "  name Tom Two\n  g_gametype 3\n  map goldrush\n");
  EXPECT_CONTAINS(r.out, "the game ended after");
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);

  r = Run("join --pick 1 first.example:27960 second.example:27961", "FAKE_ET_RUN_MS=0");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(ReadFile(engine + "etmain/launch.cfg"),
            "name Player\r\nconnect second.example:27961\r\n");
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);

  // A game that outlives the host's patience ends the wait, not the host.
  r = Run("host --timeout 0.3", "FAKE_ET_RUN_MS=5000");
  EXPECT_EQ(r.code, 1);
  EXPECT_CONTAINS(r.err, "still running after 0.3 s");
  // The game it left behind goes when told to, before the folder does.
  Write(engine + "quit", "");
  for (int i = 0; i < 100 && fs::exists(engine + "quit"); ++i) usleep(10000);
}

}  // namespace

#endif
