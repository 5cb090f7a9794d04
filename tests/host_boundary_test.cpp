// The host boundary through the loaded library: service slots, SDLL_Init,
// and the conversion of host texts into host strings.
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/loaded_plugin.h"

namespace {

// What a replacement slot-11 service saw: the engine folder host string
// the plug-in passed, as bytes and as the task allocation behind it.
struct Seen {
  bool measure = true;  // only task memory has a size to read
  std::string folder;
  size_t allocation = 0;
  int calls = 0;
};
Seen g_seen;

int32_t SDLL_STDCALL RecordVerifyFile(const char *folder, const char *) {
  if (g_seen.calls++ == 0) {
    g_seen.folder = folder;
    if (g_seen.measure) g_seen.allocation = platform::TaskSize(folder);
  }
  return 0;
}

const char16_t *g_engine_text = nullptr;
const SdllWideChar *SDLL_STDCALL ReturnEngineText(uint32_t, const char *, const char *) {
  return g_engine_text;
}

int g_second_calls = 0;
int32_t SDLL_STDCALL CountingEngineValid(uint32_t, int32_t) { return ++g_second_calls; }

// Runs SDLL_Verification with slot 2 answering `text`, and reports what the
// host saw of the engine folder host string.
class HostStrings : public LoadedPlugin {
 protected:
  Seen Convert(const char16_t *text) {
    g_seen = Seen{};
    g_seen.measure = text != nullptr;
    g_engine_text = text;
    plugin().InitCall(kSlotGetEngineString, reinterpret_cast<SdllService>(&ReturnEngineText));
    plugin().InitCall(kSlotAddVerifyFile, reinterpret_cast<SdllService>(&RecordVerifyFile));
    plugin().Verification(0x4000);
    return g_seen;
  }
};

TEST_F(LoadedPlugin, InitAnswersNameAndCodeAndKeepsTheLatestContext) {
  char name[16];
  std::memset(name, 'x', sizeof name);
  uint16_t code = 0;
  EXPECT_EQ(plugin().Init(0xCAFE, name, &code), 0);
  EXPECT_EQ(std::memcmp(name, "Wolf ET\0", 8), 0);
  EXPECT_EQ(name[8], 'x') << "wrote past the 8 bytes of the name";
  EXPECT_EQ(code, 29);

  // The context handed to the host services is the last one given.
  plugin().Init(0xBEEF, name, &code);
  SetEngine("general", "enginepath", "");
  plugin().EngineConfig();
  ASSERT_FALSE(host.calls().empty());
  EXPECT_EQ(host.calls().front().args.front(), std::to_string(0xBEEF));
}

TEST_F(LoadedPlugin, InitCallIgnoresIndicesPastTheTableAndKeepsTheLaterPointer) {
  SetEngine("general", "enginepath", "");
  g_second_calls = 0;
  // Out-of-range indices must change no slot, slot 24 included.
  plugin().InitCall(25, reinterpret_cast<SdllService>(&CountingEngineValid));
  plugin().InitCall(0xFFFFFFFFu, reinterpret_cast<SdllService>(&CountingEngineValid));
  plugin().EngineConfig();
  EXPECT_EQ(g_second_calls, 0);
  EXPECT_EQ(host.CallsTo("HostSetEngineValid").size(), 1u);

  // Two pointers for one slot: the later one is called.
  plugin().InitCall(kSlotSetEngineValid, hostkit::ServiceFor(kSlotSetEngineValid));
  plugin().InitCall(kSlotSetEngineValid, reinterpret_cast<SdllService>(&CountingEngineValid));
  host.ClearCalls();
  plugin().EngineConfig();
  EXPECT_EQ(g_second_calls, 1);
  EXPECT_TRUE(host.CallsTo("HostSetEngineValid").empty());
}

TEST_F(LoadedPlugin, EmptySlotsReadAsNothingAndReportsAreSkipped) {
  // A host that never filled slot 2 and slot 24: the engine check reads no
  // text (an empty folder) and its verdict goes nowhere, without a crash.
  plugin().InitCall(kSlotGetEngineString, nullptr);
  plugin().InitCall(kSlotSetEngineValid, nullptr);
  EXPECT_EQ(plugin().EngineConfig(), 0);
  EXPECT_TRUE(host.calls().empty());
  // The verify list still goes out, with an empty folder text, not null.
  plugin().Verification(0x4000);
  ASSERT_EQ(host.verify_files().size(), 2u);
  EXPECT_EQ(host.verify_files()[0], (std::pair<std::string, std::string>{"", "et.exe"}));
}

TEST_F(HostStrings, AllocatesTwoBytesPerUnitIncludingTheTerminator) {
  Seen empty = Convert(u"");
  EXPECT_EQ(empty.folder, "");
  EXPECT_EQ(empty.allocation, 2u);

  Seen ten = Convert(u"C:\\Games\\E");
  EXPECT_EQ(ten.folder, "C:\\Games\\E");
  EXPECT_EQ(ten.allocation, 22u);
}

TEST_F(HostStrings, ConvertsToWindows1252AndLeavesTheHostTextAlone) {
  // ASCII, Latin-1, the 0x80-0x9F block, then text 1252 cannot express:
  // Cyrillic, a lone high surrogate, and a pair (one '?' per unit).
  const std::u16string original =
      u"Az\u00FC\u00E9\u00FF\u20AC\u201C\u0178\u0081\u0416\xD800x\U0001F600!";
  std::u16string buffer = original;
  Seen seen = Convert(buffer.c_str());
  EXPECT_EQ(seen.folder, std::string("Az\xFC\xE9\xFF\x80\x93\x9F\x81??x?" "?!"));
  EXPECT_EQ(buffer, original);
}

TEST_F(HostStrings, NullHostTextReadsAsEmpty) {
  Seen seen = Convert(nullptr);
  EXPECT_EQ(seen.calls, 2);
  EXPECT_EQ(seen.folder, "");
}

}  // namespace
