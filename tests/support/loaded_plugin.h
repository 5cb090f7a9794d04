// A host with the plug-in freshly loaded and started, for tests that go
// through the library's exports as the launcher does.
#ifndef TESTS_SUPPORT_LOADED_PLUGIN_H
#define TESTS_SUPPORT_LOADED_PLUGIN_H

#include <gtest/gtest.h>

#include <string>

#include "host.h"

class LoadedPlugin : public ::testing::Test {
 protected:
  static constexpr uint32_t kContext = 0x5EED;

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(host.Load(SDLL_PLUGIN_PATH, &error)) << error;
    ASSERT_EQ(host.Start(kContext), 0);
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
