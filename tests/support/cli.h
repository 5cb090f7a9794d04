// wolfet-host run as a person would: the fixture the command-line suites
// share, each run in a scratch folder with a colour file of its own.
#ifndef TESTS_SUPPORT_CLI_H
#define TESTS_SUPPORT_CLI_H

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/sandbox.h"

inline std::string Quote(const std::string &text) {
  return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeScratch();
    ASSERT_NE(dir, "") << "a scratch folder";
    engine = dir + "/engine/";
    std::filesystem::create_directories(engine + "etmain");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void Step(const std::string &name) { step = name; }

  // Runs the host in `dir`, its output in files or, for `terminal`, on a
  // terminal of its own, and checks its exit code and each of `says`.
  void Expect(int code, const std::string &args, std::vector<std::string> says = {},
              const std::string &env = "", bool terminal = false) {
    const auto start = std::chrono::steady_clock::now();
    std::string run =
        std::string(WOLFET_HOST_EMULATOR) + " " + Quote(WOLFET_HOST_PATH) + " " + args;
    if (terminal) run = "script -qec " + Quote(run) + " /dev/null";
    const int status = std::system(("cd " + Quote(dir) + " && env SDLL_SYSCOLOR_FILE=colours " +
                                    env + " " + run + " >stdout 2>stderr")
                                       .c_str());
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out = ReadFile(dir + "/stdout");
    err = ReadFile(dir + "/stderr");
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, code)
        << step << ": the exit code of wolfet-host " << args << "\n"
        << out << err;
    for (const std::string &text : says)
      EXPECT_TRUE(Told(text)) << step << ": wolfet-host " << args << " says: " << text;
  }
  void InstallGame() { std::filesystem::copy_file(SDLL_FAKE_GAME_PATH, engine + "et.exe"); }
  bool Told(const std::string &text) const { return (out + err).find(text) != std::string::npos; }

  std::string dir, engine, out, err, step = "wolfet-host";
  double seconds = 0;
};

// The host's exit codes, which scripts branch on.
constexpr int kOk = 0, kFailure = 1, kBadArgument = 2, kPlugin = 3, kEngineFolder = 4,
              kVerifyDiffers = 5, kNoMaster = 6;
using timing::kAttempts;
using timing::kSlack;
using timing::kTimeout;

#endif
