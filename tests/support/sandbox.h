// What the file and process tests share: reading a file whole, and the
// census of this process's children and descriptors that proves a launch
// left nothing behind.
#ifndef TESTS_SUPPORT_SANDBOX_H
#define TESTS_SUPPORT_SANDBOX_H

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "host.h"
#include "support/loaded_plugin.h"

// The stand-in game; empty in a build without the tools, where the
// suites that need it skip.
#ifndef SDLL_FAKE_GAME_PATH
#define SDLL_FAKE_GAME_PATH ""
#endif

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string &path);

// Processes whose parent is this test, zombies included.
std::vector<pid_t> Children();

// Descriptors this process holds open.
size_t CountDescriptors();

// The file's bytes once it exists; empty if it has not appeared in time.
std::string AwaitFile(const std::string &path,
                      std::chrono::seconds limit = std::chrono::seconds(10));

// Polls SDLL_MultiplayerFinished as the host does; false if it has not
// answered 1 within the limit.
bool PollUntilEnded(const hostkit::Exports &plugin,
                    std::chrono::seconds limit = std::chrono::seconds(10));

// A loaded plug-in and a scratch folder for engine folders that hold the
// stand-in game, with a colour file of its own. Games start with a zero
// run time (FAKE_ET_RUN_MS=0) unless a test says otherwise; every game
// still running at the end is stopped and reaped before the folder goes.
class GameSandbox : public LoadedPlugin {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes `folder` (ending in '/') with etmain/ and the stand-in game as
  // et.exe, and returns it.
  static std::string MakeEngine(const std::string &folder);

  std::string root;  // the scratch folder, without a trailing '/'
};

#endif
