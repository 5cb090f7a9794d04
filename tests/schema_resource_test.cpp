// The settings schema the plug-in carries: handed over whole from its
// resource and read with its defaults, and a resource that is missing or
// does not load, white-box on the linked-in copy.
#include <algorithm>

#include "host/module_state.h"
#include "platform/posix_resource.h"
#include "support/loaded_plugin.h"

namespace {

using SchemaResource = LoadedPlugin;

TEST_F(SchemaResource, IsHandedOverWholeAndReadWithItsDefaults) {
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
  EXPECT_EQ(host.settings().Find(hostkit::Page::kMultiplayer, "general", "allowdownload")->text,
            u"0")
      << "a default is stored";
  EXPECT_EQ(host.settings().Find(hostkit::Page::kMultiplayer, "general", "type"), nullptr)
      << "a setting without a default stays absent";
}

// White-box, on the linked-in copy of the plug-in: a resource that is not
// there, and one that is there but does not load.
int g_schema_calls = 0;
int32_t SDLL_STDCALL CountSchemaCalls(const char *, uint32_t) { return ++g_schema_calls; }

TEST_F(SchemaResource, MissingGivesOneUnloadableGivesTwoAndTheHostHearsNothing) {
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
