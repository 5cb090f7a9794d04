// SDLL_EngineConfig and SDLL_Verification through the loaded library, over
// real folders.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/loaded_plugin.h"

namespace {

using hostkit::Call;

const std::string kContextText = std::to_string(0x5EED);
const char kMissing[] =
    "et.exe could not be found in the engine location you specified.\n"
    "Please make sure you selected the right folder!";

class EngineFolder : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    char pattern[] = "/tmp/sdll-engine-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    std::filesystem::remove(dir_ + "et.exe");
  }

  void Touch(const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr) << path;
    std::fclose(file);
  }

  // Runs the check on `folder` and returns its result and the host calls.
  int32_t Check(const std::string &folder) {
    SetEngine("general", "enginepath", folder);
    host.ClearCalls();
    return plugin().EngineConfig();
  }

  const Call kRead{"HostGetEngineString", {kContextText, "general", "enginepath"}};
  const Call kWarn{"HostMessageBox", {kMissing, "Wolf ET", "48"}};
  const Call kFlags{"HostSetContentFlags", {kContextText, "16384"}};
  Call Valid(int valid) const {
    return {"HostSetEngineValid", {kContextText, std::to_string(valid)}};
  }

  std::string dir_;
};

TEST_F(EngineFolder, FindsEtExeByPlainJoinFileOrFolderAndWarnsOtherwise) {
  const std::vector<Call> found = {kRead, kFlags, Valid(1)};
  const std::vector<Call> missing = {kRead, kWarn, Valid(0)};

  EXPECT_EQ(Check(dir_ + "/"), 1);  // the folder is there, et.exe is not
  EXPECT_EQ(host.calls(), missing);
  EXPECT_EQ(Check(dir_ + "/nowhere/"), 1);
  EXPECT_EQ(host.calls(), missing);

  Touch(dir_ + "/et.exe");
  EXPECT_EQ(Check(dir_ + "/"), 0);
  EXPECT_EQ(host.calls(), found);
  EXPECT_EQ(Check(dir_ + "\\"), 0);  // the Windows separator
  EXPECT_EQ(host.calls(), found);

  // No separator is put in: the check looks for "<dir>et.exe", beside it.
  EXPECT_EQ(Check(dir_), 1);
  EXPECT_EQ(host.calls(), missing);
  Touch(dir_ + "et.exe");
  EXPECT_EQ(Check(dir_), 0);
  EXPECT_EQ(host.calls(), found);

  // A folder named et.exe counts as well.
  std::filesystem::remove(dir_ + "/et.exe");
  ASSERT_EQ(mkdir((dir_ + "/et.exe").c_str(), 0755), 0);
  EXPECT_EQ(Check(dir_ + "/"), 0);
  EXPECT_EQ(host.calls(), found);
}

TEST_F(EngineFolder, EmptyOrAbsentSettingIsNotUsableWithoutAWarning) {
  EXPECT_EQ(Check(""), 0);
  EXPECT_EQ(host.calls(), (std::vector<Call>{kRead, Valid(0)}));

  // Never set: the host answers null, which reads as the empty text.
  host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
  host.ClearCalls();
  EXPECT_EQ(plugin().EngineConfig(), 0);
  EXPECT_EQ(host.calls(), (std::vector<Call>{kRead, Valid(0)}));
}

TEST_F(LoadedPlugin, VerificationNamesEtExeThenTheContentFileBesideTheFolderText) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  const std::string folder = "C:\\Games\\ET\\";
  SetEngine("general", "enginepath", folder);
  plugin().Verification(0x4000);
  plugin().Verification(0);
  plugin().Verification(0x4001);
  EXPECT_EQ(host.verify_files(), (Pairs{{folder, "et.exe"},
                                        {folder, "pak0.pk3"},
                                        {folder, "et.exe"},
                                        {folder, ""},
                                        {folder, "et.exe"},
                                        {folder, ""}}));
  EXPECT_EQ(host.CallsTo("HostGetEngineString").size(), 3u);

  // Empty and absent settings both go out as valid empty texts, not null
  // (the host records a null text as "(null)").
  SetEngine("general", "enginepath", "");
  plugin().Verification(0x4000);
  host.settings().Erase(hostkit::Page::kEngine, "general", "enginepath");
  plugin().Verification(0x4000);
  const Pairs tail(host.verify_files().end() - 4, host.verify_files().end());
  EXPECT_EQ(tail, (Pairs{{"", "et.exe"}, {"", "pak0.pk3"}, {"", "et.exe"}, {"", "pak0.pk3"}}));
}

}  // namespace
