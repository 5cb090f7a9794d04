// The host kit as a host: the services the plug-in leaves alone, each
// export's report its own, and the context and the library's life.
#include <dlfcn.h>

#include "support/sandbox.h"

namespace {

// The host kit's own service for `slot`, as a call of type F.
template <typename F>
F Service(uint32_t slot) {
  return reinterpret_cast<F>(hostkit::ServiceFor(slot));
}

using HostServices = LoadedPlugin;
using HostReports = GameSandbox;

// What a broken plug-in would hand over, through the host's own service.
int32_t SDLL_STDCALL BadSchema(const char *, uint32_t) {
  return Service<HostSetConfigurationFn>(kSlotSetConfiguration)("p {", 3);
}

TEST_F(HostServices, AnswerWhatThePlugInLeavesAlone) {
  std::string error;
  plugin().InitCall(kSlotSetConfiguration, reinterpret_cast<SdllService>(&BadSchema));
  EXPECT_FALSE(host.LoadSchema(&error)) << "a schema that does not parse is refused";
  EXPECT_EQ(error,
            "settings schema: line 1, column 3: the '{' of page 'p' is not closed before "
            "the end of the text")
      << "the refusal says where";
  host.ClearCalls();
  EXPECT_EQ(Service<HostGetFileCountFn>(kSlotGetFileCount)(1), 0) << "no extra files";
  EXPECT_EQ(Service<HostGetFileNameFn>(kSlotGetFileName)(1, 0), nullptr) << "so none named";
  EXPECT_EQ(Service<HostGetGameIntegerFn>(kSlotGetGameInteger)(1, nullptr, "k"), 0)
      << "an integer without a section is 0";
  EXPECT_EQ(Service<HostGetEngineStringFn>(kSlotGetEngineString)(1, "g", nullptr), nullptr)
      << "a text without a key is null";
  constexpr uint32_t kUnusedSlot = 23;
  Service<void(SDLL_STDCALL *)()>(kUnusedSlot)();
  EXPECT_EQ(hostkit::ServiceFor(kSlotCount), nullptr) << "there is no slot past the last";
  EXPECT_EQ(host.calls().back().service, "HostSlot23") << "an unused slot's call is recorded";
  EXPECT_EQ(host.calls().at(1), (hostkit::Call{"HostGetFileName", {"1", "0"}}))
      << "a call is recorded with its arguments in decimal";
}

// What a host reads from CheckEngine and VerifyFiles is what the plug-in
// reported during that call, never a leftover of an earlier one.
TEST_F(HostReports, EachExportsReportIsItsOwn) {
  const hostkit::EngineCheck usable = host.CheckEngine();
  EXPECT_TRUE(usable.valid()) << "a folder with et.exe is usable";
  EXPECT_EQ(usable.content_flags, kContentFlags) << "it holds the game's content";
  EXPECT_FALSE(usable.message.has_value()) << "a usable folder needs no message";

  std::filesystem::remove(engine + "et.exe");
  const hostkit::EngineCheck missing = host.CheckEngine();
  EXPECT_EQ(missing.verdict, 0) << "without et.exe the folder is not usable";
  EXPECT_FALSE(missing.content_flags.has_value()) << "the earlier check's flags are not this one's";
  ASSERT_TRUE(missing.message.has_value()) << "the user is told";
  EXPECT_EQ(missing.message->caption, "Wolf ET") << "the message's caption";
  EXPECT_EQ(missing.message->text.rfind("et.exe could not be found", 0), 0u) << "its text";
  EXPECT_EQ(missing.message->style, 0x30u) << "an exclamation with OK";
  EXPECT_EQ(missing.result, 1) << "the export says a message was shown";

  using Files = std::vector<hostkit::VerifyFile>;
  EXPECT_EQ(host.VerifyFiles(kContentFlags), (Files{{engine, "et.exe"}, {engine, "pak0.pk3"}}))
      << "the game's content adds its pak file";
  EXPECT_EQ(host.VerifyFiles(0), (Files{{engine, "et.exe"}, {engine, ""}}))
      << "only this call's files, the content file named empty";
}

TEST(HostKit, ContextIsZeroBeforeInitAndThePlugInGoesWithTheHost) {
  {
    hostkit::Host host;
    ASSERT_TRUE(host.Load(SDLL_PLUGIN_PATH, nullptr));
    host.plugin().InitCall(kSlotSetEngineValid, hostkit::ServiceFor(kSlotSetEngineValid));
    const hostkit::EngineCheck check = host.CheckEngine();  // slot 2 empty: no folder
    EXPECT_EQ(host.calls().at(0), (hostkit::Call{"HostSetEngineValid", {"0", "0"}}))
        << "before SDLL_Init the context is 0";
    EXPECT_EQ(check.verdict, 0) << "no folder, no usable engine";
  }
  EXPECT_EQ(dlopen(SDLL_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr)
      << "the library is unloaded with its host";
  EXPECT_EQ(hostkit::Host::Current(), nullptr) << "no service may reach a host that is gone";
}

}  // namespace
