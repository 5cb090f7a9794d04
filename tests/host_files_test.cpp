// The host's own files as a person meets them: a settings file or a kept
// server list that the host cannot take is refused and left as it was, a
// save keeps what the file was, and verify checks what the plug-in names.
#if defined(WOLFET_HOST_PATH) && defined(SDLL_FAKE_GAME_PATH)

#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "support/cli.h"
#include "tools/wolfet-host/error.h"
#include "tools/wolfet-host/servers/kept_list.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kHostileDepth = 50000;  // levels that once exhausted the host's stack
constexpr mode_t kUnreadable = 0, kPrivate = 0600, kShared = 0644, kSearchable = 0711;
const std::string kSettings = "wolfet-host.json", kKept = "wolfet-host.servers.json";

// Root reads a file of any mode, so as root the host is run as nobody.
std::string AsOrdinaryUser() {
  return geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
}

mode_t Mode(const std::string &path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 07777;
}

struct BadFile {
  const char *name;
  std::string text, args, says;
};

TEST_F(Cli, ASettingsFileTheHostCannotTakeIsRefusedNamingTheKeyAndLeftAsItWas) {
  const std::string deep = std::string(kHostileDepth, '[') + std::string(kHostileDepth, ']');
  const std::string digest(64, 'a');
  const std::vector<BadFile> files = {
      {"nesting past any real file", deep, "set multiplayer general allowdownload 1",
       "wolfet-host.json is not a JSON object (it nests deeper than 16 levels)"},
      {"a size written as text",
       R"({"manifest": {"/g/et.exe": {"size": "202", "sha256": ")" + digest + "\"}}}", "verify",
       R"(manifest "/g/et.exe" size is "202", not a number of bytes)"},
      {"content flags written as text", R"({"last_check": {"content_flags": "0x4000"}})",
       "verify --record", R"(last_check content_flags is "0x4000", not a 32-bit number)"},
      {"content flags past 32 bits", R"({"last_check": {"content_flags": 4294967296}})", "check",
       "last_check content_flags is 4294967296"},
      {"a misspelt key of the file", R"({"manifests": {}})", "set engine general parameters x",
       "manifests is not a key of this file"},
      {"a misspelt setting", R"({"engine": {"general": {"enginpath": "/g/"}}})", "check",
       "engine general enginpath in wolfet-host.json is not a setting of the plug-in"},
      {"a number where text belongs", R"({"multiplayer": {"general": {"map": 5}}})",
       "set multiplayer general allowdownload 1",
       "multiplayer general map in wolfet-host.json takes text"},
      {"a boolean that is neither", R"({"engine": {"servers": {"performquery": "yes"}}})",
       "verify --record", "engine servers performquery in wolfet-host.json is a boolean"},
      {"a group that is no object", R"({"engine": {"general": 5}})",
       "set engine general parameters x", "engine general is 5, not an object of settings"},
  };
  for (const BadFile &file : files) {
    Step(file.name);
    WriteFile(dir + "/" + kSettings, file.text);
    Expect(kBadArgument, file.args, {file.says, "mend it or name another with --settings"});
    EXPECT_EQ(ReadFile(dir + "/" + kSettings), file.text) << step << ": the file is left as it was";
    EXPECT_FALSE(fs::exists(dir + "/" + kSettings + ".tmp")) << step << ": no temporary is left";
  }
}

TEST_F(Cli, AFileThatCannotBeReadIsRefusedNotTakenForAnEmptyOne) {
  const std::string settings = R"({"multiplayer": {"general": {"map": "oasis - Siwa Oasis"}}})";
  ASSERT_EQ(chmod(dir.c_str(), kSearchable), 0) << "the folder open to another user";
  Step("set, with the settings file unreadable");
  WriteFile(dir + "/" + kSettings, settings);
  ASSERT_EQ(chmod((dir + "/" + kSettings).c_str(), kUnreadable), 0);
  Expect(kBadArgument, "set multiplayer general allowdownload 1",
         {"cannot read settings file wolfet-host.json (Permission denied)", "make it readable"},
         AsOrdinaryUser());
  EXPECT_EQ(ReadFile(dir + "/" + kSettings), settings) << "the settings are not replaced";
  EXPECT_EQ(Mode(dir + "/" + kSettings), kUnreadable) << "nor is their mode";

  Step("join --pick, with the kept list unreadable");
  ASSERT_EQ(chmod((dir + "/" + kSettings).c_str(), kShared), 0);
  WriteFile(dir + "/" + kKept, R"({"master": "m", "servers": [{"address": "127.0.0.1:27960"}]})");
  ASSERT_EQ(chmod((dir + "/" + kKept).c_str(), kUnreadable), 0);
  Expect(kFailure, "join --pick 0",
         {"cannot read the server list wolfet-host.servers.json (Permission denied)"},
         AsOrdinaryUser());
}

TEST_F(Cli, AKeptListTheHostCannotReadBackIsNeverReplaced) {
  const std::string kept = dir + "/" + kKept;
  const std::vector<std::pair<std::string, std::string>> lists = {
      {std::string(kHostileDepth, '['), "it nests deeper than 16 levels"},
      {"{ not json", "is empty or damaged"},
      {"[1]", "is empty or damaged"}};
  for (const auto &[text, says] : lists) {
    Step("a list of " + text.substr(0, 10));
    WriteFile(kept, text);
    Expect(kBadArgument, "join --pick 0", {"the server list wolfet-host.servers.json", says});
    std::optional<wolfet_host::Fault> fault;
    try {
      wolfet_host::KeepServerList(kept, "127.0.0.1:27950", nlohmann::json::array());
    } catch (const wolfet_host::Error &e) {
      fault = e.fault();
    }
    EXPECT_EQ(fault, wolfet_host::Fault::kFile) << step << ": a new list is refused";
    EXPECT_EQ(ReadFile(kept), text) << step << ": the file is left as it was";
  }
}

TEST_F(Cli, SavingWritesThroughALinkAndKeepsTheFilesMode) {
  const std::string target = dir + "/kept/settings.json";
  fs::create_directory(dir + "/kept");
  WriteFile(target, "{}");
  ASSERT_EQ(chmod(target.c_str(), kPrivate), 0);
  fs::create_symlink("kept/settings.json", dir + "/" + kSettings);
  Expect(kOk, "set multiplayer general allowdownload 1");
  EXPECT_TRUE(fs::is_symlink(dir + "/" + kSettings)) << "the link stays a link";
  EXPECT_NE(ReadFile(target).find("allowdownload"), std::string::npos)
      << "the value is saved in the file the link names";
  EXPECT_EQ(Mode(target), kPrivate) << "which keeps its mode";
}

TEST_F(Cli, VerifyChecksEveryFileThePluginNamesForTheFolderAsItIsNow) {
  WriteFile(engine + "et.exe", "the game");
  WriteFile(engine + "etmain/pak0.pk3", "the content");
  Step("a folder without its trailing '/', checked");
  Expect(kOk, "set engine general enginepath " + Quote(dir + "/engine"));
  Expect(kEngineFolder, "check");
  Step("the folder mended, then recorded without a check of its own");
  Expect(kOk, "set engine general enginepath " + Quote(engine));
  Expect(kOk, "verify --record",
         {"the last check was not of the engine folder set now", "content flags 0x4000",
          "recorded 2 file(s)"});
  Expect(kOk, "verify", {"all files match the manifest"});
  EXPECT_FALSE(Told("checking the folder now")) << "the check the record kept is of this folder";

  Step("the pak moved out of etmain");
  fs::rename(engine + "etmain/pak0.pk3", engine + "pak0.pk3");
  Expect(kVerifyDiffers, "verify", {engine + "etmain/pak0.pk3: moved to " + engine + "pak0.pk3"});
  EXPECT_FALSE(Told("not named by the plug-in now")) << "a file the plug-in names is not unnamed";
}

}  // namespace

#endif
