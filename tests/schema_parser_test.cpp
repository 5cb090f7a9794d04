// The host kit's schema parser: defaults in Windows-1252, and where a
// malformed text goes wrong.
#include <gtest/gtest.h>

#include "schema.h"
#include "support/loaded_plugin.h"

namespace {

using hostkit::Page;
using hostkit::Settings;

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

}  // namespace
