// wolfet-host run as a person would, in a scratch folder with a colour file
// of its own: the fixture of the suites that run it beside a process of
// their own (the command line by itself is in the transcripts, tests/cli).
#ifndef TESTS_SUPPORT_CLI_H
#define TESTS_SUPPORT_CLI_H

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/files.h"

inline std::string Quote(const std::string &text) {
  return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeScratch();
    ASSERT_NE(dir, "") << "a scratch folder";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void Step(const std::string &name) { step = name; }

  // Runs the host in `dir`, its output in files, and checks its exit code
  // and each of `says`.
  void Expect(int code, const std::string &args, const std::vector<std::string> &says = {}) {
    const int status =
        std::system(("cd " + Quote(dir) + " && env SDLL_SYSCOLOR_FILE=colours HOME=" + Quote(dir) +
                     " XDG_CONFIG_HOME= XDG_STATE_HOME= " + Quote(WOLFET_HOST_PATH) + " " + args +
                     " >stdout 2>stderr")
                        .c_str());
    out = ReadFile(dir + "/stdout");
    const std::string told = out + ReadFile(dir + "/stderr");
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, code)
        << step << ": the exit code of wolfet-host " << args << "\n"
        << told;
    for (const std::string &text : says)
      EXPECT_NE(told.find(text), std::string::npos)
          << step << ": wolfet-host " << args << " says: " << text;
  }

  std::string dir, out, step = "wolfet-host";
};

// The host's exit codes, which scripts branch on.
constexpr int kOk = 0, kFailure = 1, kBadArgument = 2, kPlugin = 3, kEngineFolder = 4,
              kVerifyDiffers = 5, kNoMaster = 6;

#endif
