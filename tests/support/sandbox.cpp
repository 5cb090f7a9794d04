#include "support/sandbox.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/platform.h"

namespace fs = std::filesystem;

std::vector<pid_t> Children() {
  std::vector<pid_t> children;
  for (const auto &entry : fs::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    if (fields >> state >> parent && parent == getpid())
      children.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
  }
  return children;
}

uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }
void SetHighlight(uint32_t colour) {
  platform::SetSystemColour(platform::kColourHighlight, colour);
}

void GameSandbox::SetUp() {
  LoadedPlugin::SetUp();
  if (HasFatalFailure()) return;
  if (std::string(SDLL_FAKE_GAME_PATH).empty()) GTEST_SKIP() << "built without the stand-in game";
  root = MakeScratch();
  ASSERT_NE(root, "");
  setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
  setenv("FAKE_ET_RUN_MS", "0", 1);
  setenv("FAKE_ET_RECORD", (root + "/record").c_str(), 1);
  unsetenv("FAKE_ET_EXIT_CODE");
  unsetenv("FAKE_ET_SET_COLOUR");
  engine = AddEngine("game");
  SetEngine("general", "enginepath", engine);
  descriptors = CountDescriptors();
}

void GameSandbox::TearDown() {
  if (root.empty()) return;
  for (pid_t child : Children()) kill(child, SIGKILL);
  while (waitpid(-1, nullptr, 0) > 0) {
  }
  // Some tests take write rights away, which std::filesystem cannot undo.
  ASSERT_EQ(std::system(("chmod -R u+rwx '" + root + "' && rm -rf '" + root + "'").c_str()), 0);
}

std::string GameSandbox::Record() const {
  const std::string path = root + "/record";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(path) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return ReadFile(path);
}

void GameSandbox::ExpectNothingLeft() {
  EXPECT_TRUE(Children().empty());
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_EQ(CountDescriptors(), descriptors);
}
