// Engine folders named beyond ASCII: the plug-in's Windows-1252 paths on a
// UTF-8 file system, and the host's word on a folder the code page lacks.
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
using PosixPaths = GameSandbox;

TEST_F(PosixPaths, EveryFolderTheCodePageSpellsWorksAndNoOtherIsReached) {
  // A name on disk (UTF-8) and as the plug-in spells it ('?': no character of its own).
  const struct {
    const char *utf8, *ansi;
    bool usable;
  } folders[] = {{"caf\xC3\xA9", "caf\xE9", true},
                 {"Wolf \xC3\x89T", "Wolf \xC9T", true},
                 {"\xE2\x82\xAC uro", "\x80 uro", true},  // from the 0x80-0x9F block
                 {"\xE6\x9D\xB1", "?", false}};
  AddEngine("?");  // where the '?' would lead, were it taken as a name
  SetGame("general", "map", "oasis - Siwa Oasis");
  for (const auto &folder : folders) {
    SCOPED_TRACE(folder.utf8);
    const std::string engine = AddEngine(folder.utf8);
    SetEngine("general", "enginepath", engine);
    EXPECT_EQ(host.CheckEngine().valid(), folder.usable) << "the check finds et.exe";
    const std::vector<hostkit::VerifyFile> named = host.VerifyFiles(kContentFlags);
    ASSERT_FALSE(named.empty()) << "the plug-in names its files";
    EXPECT_EQ(named[0].folder, root + "/" + folder.ansi + "/") << "in the code page";

    WriteFile(engine + "etmain/launch.cfg", "name Old\r\n");
    fs::remove(root + "/record");
    HostGame();
    EXPECT_TRUE(PollUntilEnded()) << "the poll ends";
    EXPECT_EQ(fs::exists(engine + "etmain/launch.cfg.bak"), folder.usable) << "the old script kept";
    if (!folder.usable) {
      EXPECT_FALSE(fs::exists(root + "/record")) << "no game starts";
      continue;
    }
    EXPECT_TRUE(platform::PathMatchesEntry((root + "/" + folder.ansi + "*").c_str()))
        << "a search matches the name on disk in the code page";
    const std::string record = Record();
    EXPECT_EQ(Reported(record, "cwd"), std::vector<std::string>{fs::path(engine).parent_path()})
        << "the game runs in the folder";
    EXPECT_EQ(Reported(record, "map"), std::vector<std::string>{"oasis"}) << "and reads the script";
  }
  ExpectNothingLeft();
}

}  // namespace
