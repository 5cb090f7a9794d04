// The settings schema: what the host receives from SDLL_LoadConfiguration,
// how the host kit reads it, and how both fail.
#include "schema.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/module_state.h"
#include "host/sdll.h"
#include "platform/posix_resource.h"
#include "support/loaded_plugin.h"

namespace {

std::string ReadSchemaFile() {
  std::ifstream in(SDLL_SCHEMA_FILE, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t Count(const std::string &text, const std::string &what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(LoadedPlugin, HandsOverTheSchemaFileByteForByteOnEveryCall) {
  const std::string file = ReadSchemaFile();
  ASSERT_FALSE(file.empty());
  for (int round = 0; round < 2; ++round) {
    host.ClearCalls();
    EXPECT_EQ(plugin().LoadConfiguration(), 0);
    ASSERT_EQ(host.calls().size(), 1u);
    EXPECT_EQ(host.calls()[0],
              (hostkit::Call{"HostSetConfiguration", {std::to_string(file.size())}}));
    EXPECT_EQ(host.schema(), file);
  }

  // The layout's fixed parts: 1860 bytes plus the two master host names.
  hostkit::Schema schema;
  ASSERT_TRUE(hostkit::ParseSchema(file, &schema, nullptr));
  const hostkit::SchemaSetting *master = schema.Find("engine", "servers", "masteraddress");
  ASSERT_NE(master, nullptr);
  ASSERT_EQ(master->list.size(), 1u);
  EXPECT_EQ(master->list[0].key, "main");
  EXPECT_EQ(file.size(),
            1860 + master->default_value().value_or("").size() + master->list[0].text.size());
  EXPECT_EQ(Count(file, "\r\n"), 120u);
  EXPECT_EQ(Count(file, "\n"), 120u);
  EXPECT_EQ(file.back(), '}');
  EXPECT_EQ(std::count_if(file.begin(), file.end(), [](char c) { return c & 0x80; }), 1);
  EXPECT_NE(file.find("W\xFCrzburg"), std::string::npos);
}

TEST_F(LoadedPlugin, HostReadsThePagesAndAppliesTheDefaults) {
  std::string error;
  ASSERT_TRUE(host.LoadSchema(&error)) << error;
  const hostkit::Schema &schema = host.parsed_schema();
  EXPECT_EQ(schema.CountSettings("engine"), 8u);
  EXPECT_EQ(schema.CountSettings("multiplayer"), 4u);
  EXPECT_EQ(schema.Find("multiplayer", "general", "maprestart"), nullptr);
  EXPECT_NE(host.schema().find("/*maprestart"), std::string::npos);

  const std::string info3 = schema.Find("multiplayer", "general", "info3")->caption();
  EXPECT_EQ(Count(info3, "\r\n"), 3u);
  EXPECT_EQ(Count(info3, "\n"), 3u);
  for (const char *info : {"info1", "info2"}) {
    const std::string caption = schema.Find("engine", "general", info)->caption();
    EXPECT_EQ(Count(caption, "\\n"), 1u) << info;
    EXPECT_EQ(caption.find('\n'), std::string::npos) << info;
  }
  const auto *type = schema.Find("multiplayer", "general", "type");
  ASSERT_EQ(type->list.size(), 4u);
  EXPECT_EQ(type->list[3].key, "3");
  EXPECT_EQ(type->list[3].text, "Campaign");

  // Defaults reach the store; a setting without one stays absent.
  using hostkit::Page;
  const auto &store = host.settings();
  ASSERT_NE(store.Find(Page::kEngine, "general", "enginepath"), nullptr);
  EXPECT_EQ(store.Find(Page::kEngine, "general", "enginepath")->text, u"");
  EXPECT_EQ(store.Find(Page::kEngine, "servers", "performquery")->integer, 1);
  EXPECT_EQ(store.Find(Page::kMultiplayer, "general", "allowdownload")->text, u"0");
  EXPECT_EQ(store.Find(Page::kMultiplayer, "general", "type"), nullptr);
  EXPECT_EQ(store.Find(Page::kEngine, "general", "info1"), nullptr);
}

TEST(SchemaParser, DefaultsAreWindows1252AndMalformedTextsSayWhere) {
  hostkit::Schema schema;
  ASSERT_TRUE(hostkit::ParseSchema(
      "engine{g/*x*/{s{default=\"W\xFCrzburg \x80\x81\";}n{default=-7;}}}", &schema, nullptr));
  hostkit::Settings settings;
  hostkit::ApplyDefaults(schema, &settings);
  EXPECT_EQ(settings.Find(hostkit::Page::kEngine, "g", "s")->text, u"W\u00FCrzburg \u20AC\u0081");
  EXPECT_EQ(settings.Find(hostkit::Page::kEngine, "g", "n")->integer, -7);

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
      {"p { g { s { x = y; } } }", 1, 17, "decimal integer"},
      {"p { g { s { list { } list { } } } }", 1, 22, "second list"},
      {"p { g } }", 1, 7, "'{'"},
      {"p { \x01 }", 1, 5, "0x01"},
  };
  for (const Case &c : cases) {
    hostkit::SchemaError error;
    EXPECT_FALSE(hostkit::ParseSchema(c.text, &schema, &error)) << c.text;
    EXPECT_EQ(error.line, c.line) << c.text;
    EXPECT_EQ(error.column, c.column) << c.text;
    EXPECT_NE(hostkit::Describe(error).find(c.says), std::string::npos) << hostkit::Describe(error);
  }

  // Every cut of the real schema, in a buffer of exactly its size, parses or
  // fails with a position; under the sanitizers a read past it would abort.
  const std::string file = ReadSchemaFile();
  std::vector<size_t> accepted;
  for (size_t size = 0; size < file.size(); ++size) {
    std::unique_ptr<char[]> cut(new char[size]);
    std::memcpy(cut.get(), file.data(), size);
    hostkit::SchemaError error;
    if (hostkit::ParseSchema(std::string_view(cut.get(), size), nullptr, &error)) {
      accepted.push_back(size);
    } else {
      EXPECT_GT(error.line, 0);
      EXPECT_GT(error.column, 0);
    }
  }
  // Whole are only the empty text and the cuts between the engine page's
  // closing brace and the name of the multiplayer page.
  std::vector<size_t> whole = {0};
  const size_t multiplayer = file.find("multiplayer");
  for (size_t size = file.rfind('}', multiplayer) + 1; size <= multiplayer; ++size)
    whole.push_back(size);
  EXPECT_EQ(accepted, whole);
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

  ASSERT_EQ(SDLL_LoadConfiguration(), 0);  // the embedded table as built
  EXPECT_EQ(g_schema_calls, 1);

  const platform::posix::EmbeddedResource other_id[] = {
      {"CONFIGURATION", 102, saved.entries[0].bytes, 4}, {"MANIFEST", 101, nullptr, 0}};
  live = {other_id, 2};
  EXPECT_EQ(SDLL_LoadConfiguration(), 1);
  live = {nullptr, 0};
  EXPECT_EQ(SDLL_LoadConfiguration(), 1);

  const platform::posix::EmbeddedResource unloadable[] = {{"CONFIGURATION", 101, nullptr, 1902}};
  live = {unloadable, 1};
  EXPECT_EQ(SDLL_LoadConfiguration(), 2);
  EXPECT_EQ(g_schema_calls, 1);

  live = saved;
  sdll::Module().module = nullptr;  // as in a host's executable: finds nothing
  EXPECT_EQ(SDLL_LoadConfiguration(), 1);
}

}  // namespace
