// The command-line host's value checks, its display of the plug-in's
// texts and its atomic save.
#include <signal.h>
#include <sys/resource.h>

#include "schema.h"
#include "support/sandbox.h"
#include "text.h"
#include "tools/wolfet-host/error.h"
#include "tools/wolfet-host/os.h"
#include "tools/wolfet-host/schema_view.h"
#include "tools/wolfet-host/validate.h"

namespace {

using hostkit::Settings;
using wolfet_host::Error;

TEST(CommandLineHost, ValuesAreCheckedAgainstTheirTypeAndShownAsUtf8) {
  hostkit::Schema schema;
  ASSERT_TRUE(hostkit::ParseSchema(SchemaText(), &schema, nullptr));
  const std::string dir = std::filesystem::temp_directory_path().string();
  const std::string kRefused = "(refused)";
  struct Case {
    const char *page, *group, *setting;
    std::string value, stored;
  } cases[] = {
      {"multiplayer", "general", "type", "3", "3"},
      {"multiplayer", "general", "type", "4", kRefused},
      {"multiplayer", "general", "allowdownload", "1", "1"},
      {"multiplayer", "general", "allowdownload", "2", kRefused},
      {"multiplayer", "general", "map", "oasis - Siwa", "oasis - Siwa"},
      {"multiplayer", "general", "map", "a-b", "a-b"},
      {"multiplayer", "general", "map", "a ", "a "},
      {"multiplayer", "general", "map", "-b", kRefused},
      {"multiplayer", "general", "map", " b", kRefused},
      {"multiplayer", "general", "map", "nocut", kRefused},
      {"multiplayer", "general", "map", "a\x1F-b", kRefused},
      {"multiplayer", "general", "map", "a\x7F-b", kRefused},
      {"engine", "general", "parameters", std::string(300, ' '), std::string(300, ' ')},
      {"engine", "general", "info1", "x", kRefused},
      {"engine", "general", "enginepath", "", ""},
      {"engine", "general", "enginepath", dir + "/", dir + "/"},
      {"engine", "general", "enginepath", "/no/such/", kRefused},
      {"engine", "general", "nope", "x", kRefused},
      {"engine", "nope", "x", "x", kRefused},
      {"other", "general", "x", "x", kRefused},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.page) + " " + c.group + " " + c.setting + " '" + c.value + "'");
    std::vector<std::string> hints;
    try {
      const auto &setting = wolfet_host::FindSetting(schema, c.page, c.group, c.setting);
      EXPECT_EQ(wolfet_host::ValidateValue("w", setting, c.value, &hints), c.stored)
          << "the value kept";
      EXPECT_TRUE(hints.empty()) << "a value that needs no advice gets none";
    } catch (const Error &e) {
      EXPECT_EQ(c.stored, kRefused) << "refused: " << e.what();
      EXPECT_EQ(e.fault(), wolfet_host::Fault::kBadInput) << "a refusal is a bad argument";
    }
  }

  EXPECT_EQ(wolfet_host::CaptionLines("a\\nb\r\nc\\n"),
            (std::vector<std::string>{"a", "b", "c", ""}))
      << "a caption breaks at a backslash-n and at a line break, and drops CRs";
  const std::string text = "A" + kHighBytes + "\xA0\xFF";
  const std::string tail = "\xC2\xA0\xC3\xBF";
  EXPECT_EQ(hostkit::Windows1252ToUtf8(text),
            "A" + Settings::ToUtf8(std::u16string(kCp1252High, 32)) + tail)
      << "the host kit keeps every Windows-1252 byte, the undefined ones as C1 controls";
  std::u16string shown(kCp1252High, 32);
  for (char16_t &c : shown)
    if (c < 0xA0) c = u'\uFFFD';
  EXPECT_EQ(wolfet_host::Cp1252ToUtf8(text), "A" + Settings::ToUtf8(shown) + tail)
      << "a terminal is shown U+FFFD for a C1 control";
}

// A write that fails half-way (here the file size limit, as a full disk
// would) leaves the file as it was and nothing of the attempt beside it.
TEST(CommandLineHost, AFileIsSavedWholeOrNotAtAll) {
  const std::string dir = MakeScratch();
  ASSERT_NE(dir, "");
  const std::string path = dir + "/kept.json";
  using wolfet_host::os::SaveAtomically;
  using wolfet_host::os::Saved;
  EXPECT_EQ(SaveAtomically(path, "first"), Saved::kYes) << "a new file is saved";

  struct rlimit before {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  struct rlimit small = before;
  small.rlim_cur = 4;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string why;
  const Saved saved = SaveAtomically(path, "second, longer", &why);
  setrlimit(RLIMIT_FSIZE, &before);
  EXPECT_EQ(saved, Saved::kNotWritten) << why;
  EXPECT_EQ(ReadFile(path), "first") << "the file is as it was";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1)
      << "no temporary is left";
  std::filesystem::remove_all(dir);
}

}  // namespace
