// SDLL_EngineConfig through the loaded library, over real folders, as the
// host records it.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/sandbox.h"

namespace {

using hostkit::Call;
namespace fs = std::filesystem;

class EngineFolder : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    char pattern[] = "/tmp/sdll-engine-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    fs::remove_all(dir);
    fs::remove(dir + "et.exe");
  }
  // The check's answer and what the host heard, "-" for an absent setting.
  std::vector<Call> Check(const std::string &folder, int32_t answer) {
    if (folder == "-")
      host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
    else
      SetEngine("general", "enginepath", folder);
    host.ClearCalls();
    const size_t descriptors = CountDescriptors();
    EXPECT_EQ(plugin().EngineConfig(), answer) << folder;
    EXPECT_EQ(CountDescriptors(), descriptors) << folder;
    EXPECT_EQ(std::to_string(host.engine_valid()), host.calls().back().args.back());
    return host.calls();
  }

  const std::string ctx = std::to_string(kContext);
  const Call read{"HostGetEngineString", {ctx, "general", "enginepath"}};
  const Call warn{"HostMessageBox",
                  {"et.exe could not be found in the engine location you specified.\n"
                   "Please make sure you selected the right folder!",
                   "Wolf ET", "48"}};
  const std::vector<Call> found = {
      read, {"HostSetContentFlags", {ctx, "16384"}}, {"HostSetEngineValid", {ctx, "1"}}};
  const std::vector<Call> missing = {read, warn, {"HostSetEngineValid", {ctx, "0"}}};
  const std::vector<Call> unset = {read, {"HostSetEngineValid", {ctx, "0"}}};
  std::string dir;
};

TEST_F(EngineFolder, FindsEtExeByPlainJoinFileOrFolderAndWarnsOtherwise) {
  EXPECT_EQ(Check("", 0), unset);
  EXPECT_EQ(Check("-", 0), unset) << "never set: null reads as the empty text";
  EXPECT_EQ(Check(dir + "/", 1), missing);
  EXPECT_EQ(Check(dir + "/nowhere/", 1), missing);
  EXPECT_EQ(Check(dir + "/*", 1), missing);
  WriteFile(dir + "/et.exe", "");
  EXPECT_EQ(Check(dir + "/", 0), found);
  EXPECT_EQ(Check(dir + "\\", 0), found);
  EXPECT_EQ(Check(dir + "/*", 0), found) << "a wildcard in the name matches";
  EXPECT_EQ(Check(dir + "/?", 1), missing);
  EXPECT_EQ(Check(dir, 1), missing) << "no separator is put in";
  WriteFile(dir + "et.exe", "");
  EXPECT_EQ(Check(dir, 0), found);
  fs::remove(dir + "/et.exe");
  ASSERT_EQ(mkdir((dir + "/et.exe").c_str(), 0755), 0);
  EXPECT_EQ(Check(dir + "/", 0), found) << "a folder named et.exe counts";
  EXPECT_FALSE(platform::PathMatchesEntry((dir + "/").c_str())) << "a folder text names no entry";
  EXPECT_FALSE(platform::PathMatchesEntry(""));
  plugin().Verification(0x4000);
  EXPECT_EQ(host.verify_files().at(1),
            (std::pair<std::string, std::string>{dir + "/", "pak0.pk3"}));
}

}  // namespace
