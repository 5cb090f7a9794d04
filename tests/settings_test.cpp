// The host kit's settings store: integers and UTF-8 at their limits.
#include "settings.h"

#include <gtest/gtest.h>

namespace {

using hostkit::Page;
using hostkit::Settings;

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

}  // namespace
