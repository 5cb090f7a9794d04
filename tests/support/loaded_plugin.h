// A host with the plug-in freshly loaded and started, for tests that go
// through the library's exports as the launcher does.
#ifndef TESTS_SUPPORT_LOADED_PLUGIN_H
#define TESTS_SUPPORT_LOADED_PLUGIN_H

#include <gtest/gtest.h>

#include <string>

#include "host.h"
#include "support/files.h"

// The bytes 0x80-0x9F, and what Windows-1252 makes of them in UTF-16; the
// five holes stand for the C1 control of the same number, as on Windows.
inline const std::string kHighBytes =
    "\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
    "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F";
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The content flags the engine check reports for a folder that holds
// et.exe, and the host hands back to the verify list and the launch.
constexpr uint32_t kContentFlags = 0x4000;

// The settings schema as the plug-in's resource holds it.
inline std::string SchemaText() { return ReadFile(Native(SDLL_SCHEMA_FILE)); }

namespace hostkit {
// A service call in a failure message, as the host recorded it.
inline void PrintTo(const Call &call, std::ostream *out) {
  *out << call.service;
  for (const std::string &arg : call.args) *out << " \"" << arg << '"';
}
}  // namespace hostkit

class LoadedPlugin : public ::testing::Test {
 protected:
  static constexpr uint32_t kContext = 0x5EED;

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(host.Load(SDLL_PLUGIN_PATH, &error)) << error;
    EXPECT_EQ(error, "") << "a load that works says nothing";
    ASSERT_EQ(host.Start(kContext), 0) << "SDLL_Init answers 0";
    host.ClearCalls();
  }

  const hostkit::Exports &plugin() const { return host.plugin(); }
  void SetEngine(const std::string &section, const std::string &key, const std::string &utf8) {
    host.settings().SetUtf8(hostkit::Page::kEngine, section, key, utf8);
  }
  void SetGame(const std::string &section, const std::string &key, const std::string &utf8) {
    host.settings().SetUtf8(hostkit::Page::kMultiplayer, section, key, utf8);
  }

  hostkit::Host host;
};

#endif
