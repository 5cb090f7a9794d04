// One backup generation of a file about to be rewritten, on real files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "launch/file_exists.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;

class Backup : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sdll-backup-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    if (fs::exists(bak)) fs::permissions(bak, fs::perms::owner_all);
    fs::remove_all(dir);
  }

  // Lays out the script and the backup (empty text: absent), backs up,
  // and returns what is left as "<script>|<backup>", absent as "-".
  std::string Run(const char *script, const char *backup) {
    fs::remove_all(cfg);
    fs::remove_all(bak);
    if (*script != '\0') std::ofstream(cfg) << script;
    if (*backup != '\0') std::ofstream(bak) << backup;
    // A Windows path: the separator before the name is a backslash.
    sdll::BackupFile((dir.string() + "\\launch.cfg").c_str());
    return State();
  }
  std::string State() const {
    auto text = [](const fs::path &p) { return fs::exists(p) ? ReadFile(p) : std::string("-"); };
    return text(cfg) + "|" + text(bak);
  }

  fs::path dir;
  fs::path cfg = "", bak = "";
};

TEST_F(Backup, KeepsOneGenerationUnderTheNameWithBakAppended) {
  cfg = dir / "launch.cfg";
  bak = dir / "launch.cfg.bak";
  EXPECT_EQ(Run("", ""), "-|-");
  EXPECT_EQ(Run("", "old"), "-|old");
  EXPECT_EQ(Run("new", ""), "-|new");
  EXPECT_EQ(Run("new", "old"), "-|new");
  EXPECT_FALSE(fs::exists(dir / "launch.bak"));
}

TEST_F(Backup, ReadOnlyBackupStaysAndTheScriptStaysInPlace) {
  cfg = dir / "launch.cfg";
  bak = dir / "launch.cfg.bak";
  std::ofstream(cfg) << "new";
  std::ofstream(bak) << "old";
  chmod(bak.c_str(), 0444);  // no write bit: the delete refuses it, so does the move
  sdll::BackupFile(cfg.c_str());
  EXPECT_EQ(State(), "new|old");
}

TEST_F(Backup, FolderOfTheScriptsNameIsMovedAsideLikeAFile) {
  cfg = dir / "launch.cfg";
  bak = dir / "launch.cfg.bak";
  fs::create_directory(cfg);
  std::ofstream(cfg / "inside") << "kept";
  std::ofstream(bak) << "old";
  sdll::BackupFile(cfg.c_str());
  EXPECT_FALSE(fs::exists(cfg));
  EXPECT_EQ(ReadFile(bak / "inside"), "kept");
}

TEST_F(Backup, DanglingLinkOfTheScriptsNameIsMovedAsideNotFollowed) {
  cfg = dir / "launch.cfg";
  bak = dir / "launch.cfg.bak";
  fs::create_symlink(dir / "nowhere", cfg);
  sdll::BackupFile(cfg.c_str());
  EXPECT_FALSE(fs::exists(fs::symlink_status(cfg)));
  EXPECT_TRUE(fs::is_symlink(bak));
}

}  // namespace
