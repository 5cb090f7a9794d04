// The settings schema from SDLL_LoadConfiguration, and how the host kit and
// the command-line host read it, keep and check values, and answer services.
#include "schema.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host/module_state.h"
#include "platform/posix_resource.h"
#include "support/sandbox.h"
// The command-line host's value checks, where the build has the host.
#ifdef WOLFET_HOST_PATH
#include "tools/host/exit_codes.h"
#include "tools/host/schema_view.h"
#include "tools/host/validate.h"
#endif

namespace {

using hostkit::Page;
using hostkit::Settings;

TEST_F(LoadedPlugin, SchemaIsHandedOverWholeAndReadWithItsDefaults) {
  const std::string file = ReadFile(SDLL_SCHEMA_FILE);
  for (int round = 0; round < 2; ++round) {
    std::string error;
    ASSERT_TRUE(host.LoadSchema(&error)) << error;
    EXPECT_EQ(host.calls().at(round), (hostkit::Call{"HostSetConfiguration", {"1902"}}));
    EXPECT_EQ(host.schema(), file);
  }
  EXPECT_EQ(std::count(file.begin(), file.end(), '\r'), 120);  // the lines end in CR LF
  EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 120);
  const hostkit::Schema &schema = host.parsed_schema();
  const auto *master = schema.Find("engine", "servers", "masteraddress");
  ASSERT_EQ(master->list.size(), 1u);
  EXPECT_EQ(master->list[0].key + "=" + master->list[0].text, "main=master.etlegacy.com");
  const std::string caption = schema.Find("multiplayer", "general", "info3")->caption();
  EXPECT_EQ(std::count(caption.begin(), caption.end(), '\r'), 3);
  EXPECT_EQ(host.settings().Find(Page::kMultiplayer, "general", "allowdownload")->text, u"0");
  EXPECT_EQ(host.settings().Find(Page::kMultiplayer, "general", "type"), nullptr) << "no default";
}

TEST(SchemaParser, DefaultsAreWindows1252AndMalformedTextsSayWhere) {
  const std::u16string wide = u"A\u007F\u00A0\u00FF" + std::u16string(kCp1252High, 32);
  hostkit::Schema schema;
  ASSERT_TRUE(hostkit::ParseSchema("engine{g/*/*//**/{s{default=\"A\x7F\xA0\xFF" + kHighBytes +
                                       "\";}z9{default=-97;}}}other{g{s{default=1;}}}",
                                   &schema, nullptr));
  Settings settings;
  hostkit::ApplyDefaults(schema, &settings);
  EXPECT_EQ(settings.Find(Page::kEngine, "g", "s")->text, wide);
  EXPECT_EQ(settings.Find(Page::kEngine, "g", "z9")->integer, -97);
  EXPECT_EQ(settings.all().size(), 2u);

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
      {"p { g { s { x = -; } } }", 1, 17, "'-'"},
      {"p { g { s { x = -7", 1, 19, "';' after the value"},
      {"p { g { s { list { } list { } } } }", 1, 22, "second list"},
      {"p { g { s { block { } } } }", 1, 13, "only 'list'"},
      {"p { g { s { = } } }", 1, 13, "'='"},
      {"p { g } }", 1, 7, "'{'"},
      {"p { g {", 1, 7, "group 'g' is not closed"},
      {"p { g { = } }", 1, 9, "setting name"},
      {"-1 { }", 1, 1, "page name"},
      {"p { \x01 }", 1, 5, "0x01"},
      {"p { ~ }", 1, 5, "'~'"},
      {"\np { ~ }", 2, 5, "'~'"},
  };
  for (const Case &c : cases) {
    hostkit::SchemaError error;
    EXPECT_FALSE(hostkit::ParseSchema(c.text, &schema, &error)) << c.text;
    EXPECT_EQ(hostkit::Describe(error).find("line " + std::to_string(c.line) + ", column " +
                                            std::to_string(c.column) + ": "),
              0u)
        << hostkit::Describe(error);
    EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
  }
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
        << Settings::ToUtf8(text);
  }
  settings.SetInteger(Page::kEngine, "g", "k", -40);
  EXPECT_EQ(settings.Find(Page::kEngine, "g", "k")->text, u"-40");

  // Each length of UTF-8 at both ends of its range, then what is malformed.
  const std::pair<std::string, std::u16string> texts[] = {
      {"\x7F\xC2\x80\xDF\xBF", u"\u007F\u0080\u07FF"},
      {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", u"\u0800\uD7FF\uE000\uFFFF"},
      {"\xF0\x90\x80\x80\xF1\x80\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U00040000\U0010FFFF"},
  };
  for (const auto &[utf8, utf16] : texts) {
    EXPECT_EQ(Settings::FromUtf8(utf8), utf16);
    EXPECT_EQ(Settings::ToUtf8(utf16), utf8);
  }
  EXPECT_EQ(Settings::FromUtf8("\x80\xC2\xF8\xED\xA0\x80\xED\xBF\xBF\xF4\x90\x80\x80"
                               "a"),
            std::u16string(13, u'\uFFFD') + u"a");
  EXPECT_EQ(Settings::ToUtf8(u"\xDFFF\xDC00\xD800\xDBFF"),
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

int32_t SDLL_STDCALL BadSchema(const char *, uint32_t) {
  // What a broken plug-in would hand over, through the host's own service.
  return reinterpret_cast<HostSetConfigurationFn>(hostkit::ServiceFor(kSlotSetConfiguration))("p {",
                                                                                              3);
}

TEST_F(LoadedPlugin, HostKitAnswersTheServicesThePlugInLeavesAlone) {
  std::string error;
  plugin().InitCall(0, reinterpret_cast<SdllService>(&BadSchema));
  EXPECT_FALSE(host.LoadSchema(&error));
  EXPECT_EQ(error,
            "settings schema: line 1, column 3: the '{' of page 'p' is not closed before "
            "the end of the text");
  // No extra files; no answer for a missing name; a record of every call.
  EXPECT_EQ(reinterpret_cast<HostGetFileCountFn>(hostkit::ServiceFor(13))(1), 0);
  EXPECT_EQ(reinterpret_cast<HostGetFileNameFn>(hostkit::ServiceFor(14))(1, 0), nullptr);
  EXPECT_EQ(reinterpret_cast<HostGetGameIntegerFn>(hostkit::ServiceFor(6))(1, nullptr, "k"), 0);
  EXPECT_EQ(reinterpret_cast<HostGetEngineStringFn>(hostkit::ServiceFor(2))(1, "g", nullptr),
            nullptr);
  reinterpret_cast<void(SDLL_STDCALL *)()>(hostkit::ServiceFor(23))();
  EXPECT_EQ(hostkit::ServiceFor(25), nullptr);
  EXPECT_EQ(host.calls().back().service, "HostSlot23");
  EXPECT_EQ(host.calls().at(2), (hostkit::Call{"HostGetFileName", {"1", "0"}}));
}

TEST(HostKit, ContextIsZeroBeforeInitAndThePlugInGoesWithTheHost) {
  {
    hostkit::Host host;
    ASSERT_TRUE(host.Load(SDLL_PLUGIN_PATH, nullptr));
    host.plugin().InitCall(24, hostkit::ServiceFor(24));
    host.plugin().EngineConfig();  // slot 2 empty: no folder
    EXPECT_EQ(host.calls().at(0), (hostkit::Call{"HostSetEngineValid", {"0", "0"}}));
  }
  EXPECT_EQ(dlopen(SDLL_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr);
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
  SDLL_InitCall(0, reinterpret_cast<SdllService>(&CountSchemaCalls));
  ASSERT_EQ(SDLL_LoadConfiguration(), 0);
  EXPECT_EQ(g_schema_calls, 1);
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
    EXPECT_EQ(SDLL_LoadConfiguration(), answer) << table.count;
  }
  EXPECT_EQ(g_schema_calls, 1);
  live = saved;
  sdll::Module().module = nullptr;  // as in a host's executable: finds nothing
  EXPECT_EQ(SDLL_LoadConfiguration(), 1);
}

#ifdef WOLFET_HOST_PATH
using wolfet_host::CommandError;

TEST(CommandLineHost, ValuesAreCheckedAgainstTheirTypeAndShownAsUtf8) {
  hostkit::Schema schema;
  ASSERT_TRUE(hostkit::ParseSchema(ReadFile(SDLL_SCHEMA_FILE), &schema, nullptr));
  const std::string dir = std::filesystem::temp_directory_path().string();
  struct Case {
    const char *page, *group, *setting;
    std::string value, stored;  // stored "!": refused with exit code 2
  } cases[] = {
      {"multiplayer", "general", "type", "3", "3"},
      {"multiplayer", "general", "type", "4", "!"},
      {"multiplayer", "general", "allowdownload", "1", "1"},
      {"multiplayer", "general", "allowdownload", "2", "!"},
      {"multiplayer", "general", "map", "oasis - Siwa", "oasis - Siwa"},
      {"multiplayer", "general", "map", "a-b", "a-b"},
      {"multiplayer", "general", "map", "-b", "!"},
      {"multiplayer", "general", "map", "nocut", "!"},
      {"multiplayer", "general", "map", "a\x1F-b", "!"},
      {"multiplayer", "general", "map", "a\x7F-b", "!"},
      {"engine", "general", "parameters", std::string(300, ' '), std::string(300, ' ')},
      {"engine", "general", "info1", "x", "!"},
      {"engine", "general", "enginepath", "", ""},
      {"engine", "general", "enginepath", dir + "/", dir + "/"},
      {"engine", "general", "enginepath", "/no/such/", "!"},
      {"engine", "general", "nope", "x", "!"},
      {"engine", "nope", "x", "x", "!"},
      {"other", "general", "x", "x", "!"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.setting) + " " + c.value);
    std::vector<std::string> hints;
    try {
      const auto &setting = wolfet_host::FindSetting(schema, c.page, c.group, c.setting);
      EXPECT_EQ(wolfet_host::ValidateValue("w", setting, c.value, &hints), c.stored);
      EXPECT_TRUE(hints.empty());
    } catch (const CommandError &e) {
      EXPECT_EQ(c.stored, "!") << e.what();
      EXPECT_EQ(e.code(), 2);
    }
  }

  const std::u16string wide(kCp1252High, 32);
  EXPECT_EQ(wolfet_host::CaptionLines("a\\nb\r\nc\\n"),
            (std::vector<std::string>{"a", "b", "c", ""}));
  EXPECT_EQ(wolfet_host::Cp1252ToUtf8("A" + kHighBytes + "\xA0\xFF"),
            "A" + Settings::ToUtf8(wide) + "\xC2\xA0\xC3\xBF");
}
#endif

}  // namespace
