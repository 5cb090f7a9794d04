// The settings schema from SDLL_LoadConfiguration, and how the host kit and
// the command-line host read it, keep and check values, and answer services.
#include "schema.h"

#include <dlfcn.h>

#include <algorithm>

#include "host/module_state.h"
#include "platform/posix_resource.h"
#include "support/sandbox.h"
#include "text.h"

namespace {

using hostkit::Page;
using hostkit::Settings;

// The host kit's own service for `slot`, as a call of type F.
template <typename F>
F Service(uint32_t slot) {
  return reinterpret_cast<F>(hostkit::ServiceFor(slot));
}

TEST_F(LoadedPlugin, SchemaIsHandedOverWholeAndReadWithItsDefaults) {
  const std::string &file = SchemaText();
  const hostkit::Call handover{"HostSetConfiguration", {std::to_string(file.size())}};
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "the first load" : "a second load");
    std::string error;
    ASSERT_TRUE(host.LoadSchema(&error)) << error;
    EXPECT_EQ(host.calls().at(round), handover) << "one hand-over per load, with the text's size";
    EXPECT_EQ(host.schema(), file) << "the resource is handed over byte for byte";
  }
  const auto line_feeds = std::count(file.begin(), file.end(), '\n');
  EXPECT_GT(line_feeds, 0) << "the schema has lines";
  EXPECT_EQ(std::count(file.begin(), file.end(), '\r'), line_feeds) << "every line ends in CR LF";

  const hostkit::Schema &schema = host.parsed_schema();
  const auto *master = schema.Find("engine", "servers", "masteraddress");
  ASSERT_NE(master, nullptr);
  ASSERT_EQ(master->list.size(), 1u) << "the master server list has one entry";
  EXPECT_EQ(master->list[0].key, "main") << "the entry's key";
  EXPECT_EQ(master->list[0].text, "master.etlegacy.com") << "the entry's text";
  const std::string caption = schema.Find("multiplayer", "general", "info3")->caption();
  EXPECT_EQ(std::count(caption.begin(), caption.end(), '\r'), 3)
      << "a caption keeps the line breaks inside its quotes";
  EXPECT_EQ(host.settings().Find(Page::kMultiplayer, "general", "allowdownload")->text, u"0")
      << "a default is stored";
  EXPECT_EQ(host.settings().Find(Page::kMultiplayer, "general", "type"), nullptr)
      << "a setting without a default stays absent";
}

TEST(SchemaParser, DefaultsAreWindows1252AndMalformedTextsSayWhere) {
  // Blanks and comments between the tokens, a negative integer, and a page
  // the host has no store for.
  const std::u16string wide = u"A\u007F\u00A0\u00FF" + std::u16string(kCp1252High, 32);
  hostkit::Schema schema;
  ASSERT_TRUE(hostkit::ParseSchema("engine{g/*/*//**/{s{default=\"A\x7F\xA0\xFF" + kHighBytes +
                                       "\";}z9{default=-97;}}}other{g{s{default=1;}}}",
                                   &schema, nullptr));
  Settings settings;
  hostkit::ApplyDefaults(schema, &settings);
  EXPECT_EQ(settings.Find(Page::kEngine, "g", "s")->text, wide)
      << "a default is Windows-1252, the five undefined bytes their C1 controls";
  EXPECT_EQ(settings.Find(Page::kEngine, "g", "z9")->integer, -97) << "a negative default";
  EXPECT_EQ(settings.all().size(), 2u) << "only the engine and multiplayer pages are stored";

  struct Case {
    const char *text;
    int line, column;
    const char *says;
  } cases[] = {
      {"engine\r\n{\r\n\tgeneral\r\n\t{\r\n}", 2, 1, "not closed"},
      {"p\n{\n g\n {\n  s\n  {\n   caption = \"open;\n  }\n }\n}", 7, 14, "quoted string"},
      {"p\n{\n/* g\n{\n}\n", 3, 1, "comment"},
      {"p { g { s { type = \"a\"\n default = 1; } } }", 1, 23, "';'"},
      {"p { g { s { list { a = 1; } } } }", 1, 24, "quoted string"},
      {"p { g { s { x = y9; } } }", 1, 17, "decimal integer"},
      {"p { g { s { x = -", 1, 17, "'-'"},
      {"p { g { s { x = -7", 1, 19, "';' after the value"},
      {"p { g { s { list { } list { } } } }", 1, 22, "second list"},
      {"p { g { s { block { } } } }", 1, 13, "only 'list'"},
      {"p { g { s { = } } }", 1, 13, "'='"},
      {"p { g } }", 1, 7, "'{'"},
      {"p { g {", 1, 7, "group 'g' is not closed"},
      {"p { g { = } }", 1, 9, "setting name"},
      {"-1 { }", 1, 1, "page name"},
      {"p { \x01 }", 1, 5, "0x01"},
      {"p \x01", 1, 3, "0x01"},
      {"p { g { s { x \x01", 1, 15, "0x01"},
      {"p { ~ }", 1, 5, "'~'"},
  };
  hostkit::SchemaError error;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_FALSE(hostkit::ParseSchema(c.text, &schema, &error)) << "the text is refused";
    EXPECT_EQ(error.line, c.line) << "the line of the fault";
    EXPECT_EQ(error.column, c.column) << "the column of the fault";
    EXPECT_NE(error.message.find(c.says), std::string::npos) << "what is wrong: " << error.message;
  }
  EXPECT_EQ(hostkit::Describe(error), "line 1, column 5: unexpected character '~'")
      << "the place comes first in a description";
}

TEST(Settings, IntegersAndUtf8AtTheirLimits) {
  const std::pair<std::u16string, int32_t> integers[] = {{u"2147483647", 2147483647},
                                                         {u"-2147483648", -2147483647 - 1},
                                                         {u"2147483648", 0},
                                                         {u"-2147483649", 0},
                                                         {u"00000000012", 12},
                                                         {u"000000000012", 0},
                                                         {u"7x", 0},
                                                         {u"", 0},
                                                         {u"\u0661", 0}};
  Settings settings;
  for (const auto &[text, value] : integers) {
    settings.Set(Page::kMultiplayer, "g", "k", text);
    EXPECT_EQ(settings.Find(Page::kMultiplayer, "g", "k")->integer, value)
        << "the integer a text stands for, 0 when none fits: " << Settings::ToUtf8(text);
  }
  settings.SetInteger(Page::kEngine, "g", "k", -40);
  EXPECT_EQ(settings.Find(Page::kEngine, "g", "k")->text, u"-40") << "an integer's text";

  // Each length of UTF-8 at both ends of its range, then what is malformed.
  const std::pair<std::string, std::u16string> texts[] = {
      {"\x7F\xC2\x80\xDF\xBF", u"\u007F\u0080\u07FF"},
      {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", u"\u0800\uD7FF\uE000\uFFFF"},
      {"\xF0\x90\x80\x80\xF1\x80\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U00040000\U0010FFFF"},
  };
  for (const auto &[utf8, utf16] : texts) {
    EXPECT_EQ(Settings::FromUtf8(utf8), utf16) << "decoded: " << utf8;
    EXPECT_EQ(Settings::ToUtf8(utf16), utf8) << "encoded back: " << utf8;
  }
  // A lone continuation, a truncated lead, a lead past F4, two surrogates
  // and a code point past U+10FFFF: one U+FFFD per byte, then the 'a'.
  const std::string malformed = "\x80\xC2\xF8\xED\xA0\x80\xED\xBF\xBF\xF4\x90\x80\x80";
  EXPECT_EQ(Settings::FromUtf8(malformed + "a"), std::u16string(malformed.size(), u'\uFFFD') + u"a")
      << "each byte of a malformed sequence becomes U+FFFD";
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Settings::ToUtf8(u"\xDFFF\xDC00\xD800\xDBFF"),
            replacement + replacement + replacement + replacement)
      << "each unpaired surrogate becomes U+FFFD";
}

// What a broken plug-in would hand over, through the host's own service.
int32_t SDLL_STDCALL BadSchema(const char *, uint32_t) {
  return Service<HostSetConfigurationFn>(kSlotSetConfiguration)("p {", 3);
}

TEST_F(LoadedPlugin, HostKitAnswersTheServicesThePlugInLeavesAlone) {
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
TEST_F(GameSandbox, EachExportsReportIsItsOwn) {
  constexpr uint32_t kContentGame = 0x4000;

  const hostkit::EngineCheck usable = host.CheckEngine();
  EXPECT_TRUE(usable.valid()) << "a folder with et.exe is usable";
  EXPECT_EQ(usable.content_flags, kContentGame) << "it holds the game's content";
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
  EXPECT_EQ(host.VerifyFiles(kContentGame), (Files{{engine, "et.exe"}, {engine, "pak0.pk3"}}))
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

// White-box, on the linked-in copy of the plug-in: a resource that is not
// there, and one that is there but does not load.
int g_schema_calls = 0;
int32_t SDLL_STDCALL CountSchemaCalls(const char *, uint32_t) { return ++g_schema_calls; }

TEST(SchemaResource, MissingGivesOneUnloadableGivesTwoAndTheHostHearsNothing) {
  platform::posix::ResourceTable &live = platform::posix::Resources();
  const platform::posix::ResourceTable saved = live;
  sdll::Module().module = &live;  // any handle of our own module
  SDLL_InitCall(kSlotSetConfiguration, reinterpret_cast<SdllService>(&CountSchemaCalls));
  ASSERT_EQ(SDLL_LoadConfiguration(), 0);
  EXPECT_EQ(g_schema_calls, 1) << "the resource that is there is handed over";
  const unsigned char *bytes = saved.entries[0].bytes;
  const platform::posix::EmbeddedResource others[] = {{"CONFIGURATION", 102, bytes, 4},
                                                      {"CONFIGURATION", 100, bytes, 4},
                                                      {"CONFIGURATIONS", 101, bytes, 4},
                                                      {nullptr, 101, bytes, 4},
                                                      {"configuration", 101, nullptr, 1}};
  // The last entry's type differs in case alone, which still matches.
  for (const auto &[table, answer] : {std::pair{platform::posix::ResourceTable{others, 0}, 1},
                                      {{others, 4}, 1},
                                      {{nullptr, 3}, 1},
                                      {{others, 5}, 2}}) {
    live = table;
    EXPECT_EQ(SDLL_LoadConfiguration(), answer)
        << (answer == 1 ? "no resource 101 of that type" : "one that does not load")
        << " in a table of " << table.count;
  }
  EXPECT_EQ(g_schema_calls, 1) << "a failed load hands the host nothing";
  live = saved;
  sdll::Module().module = nullptr;  // as in a host's executable: finds nothing
  EXPECT_EQ(SDLL_LoadConfiguration(), 1) << "a module without resources has none";
}

}  // namespace
