// SDLL_EngineConfig through the loaded library, over real folders: its
// answer, what the host hears, and no descriptor kept on any branch.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/loaded_plugin.h"

namespace {

TEST_F(LoadedPlugin, EngineCheckFindsEtExeByPlainJoinFileOrFolderAndWarnsOtherwise) {
  const std::string root = MakeScratch(), dir = root + "/e";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  // The answer, then the last argument of each call: the key read, the
  // content flags or the message box's style, and the verdict.
  const std::string found = "0: enginepath 16384 1", missing = "1: enginepath 48 0",
                    unset = "0: enginepath 0";
  auto check = [&](const std::string &folder) {  // "-": never set, read as null
    if (folder == "-")
      host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
    else
      SetEngine("general", "enginepath", folder);
    host.ClearCalls();
    const size_t descriptors = CountDescriptors();
    std::string heard = std::to_string(plugin().EngineConfig()) + ":";
    EXPECT_EQ(CountDescriptors(), descriptors) << folder;
    for (const hostkit::Call &call : host.calls()) heard += " " + call.args.back();
    EXPECT_EQ(host.engine_valid(), heard.back() - '0');
    return heard;
  };
  EXPECT_EQ(check(""), unset);
  EXPECT_EQ(check("-"), unset);
  EXPECT_EQ(check(dir + "/"), missing);
  EXPECT_EQ(check(dir + "/nowhere/"), missing);
  EXPECT_EQ(check(dir + "/*"), missing);
  WriteFile(dir + "/et.exe", "");
  EXPECT_EQ(check(dir + "/"), found);
  EXPECT_EQ(check(dir + "\\"), found);
  EXPECT_EQ(check(dir + "/*"), found) << "a wildcard in the name matches";
  EXPECT_EQ(check(dir + "/?"), missing);
  EXPECT_EQ(check(dir), missing) << "no separator is put in";
  WriteFile(dir + "et.exe", "");
  EXPECT_EQ(check(dir), found);
  std::filesystem::remove(dir + "/et.exe");
  ASSERT_EQ(mkdir((dir + "/et.exe").c_str(), 0755), 0);
  EXPECT_EQ(check(dir + "/"), found) << "a folder named et.exe counts";
  EXPECT_FALSE(platform::PathMatchesEntry((dir + "/").c_str())) << "a folder text names no entry";
  EXPECT_FALSE(platform::PathMatchesEntry(""));
  plugin().Verification(0x4000);
  EXPECT_EQ(host.verify_files().at(1),
            (std::pair<std::string, std::string>{dir + "/", "pak0.pk3"}));
  std::filesystem::remove_all(root);
}

}  // namespace
