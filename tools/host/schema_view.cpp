#include "schema_view.h"

namespace wolfet_host {
namespace {

/* 0x80..0x9F of Windows-1252; 0 where the code page leaves a hole. */
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(char32_t cp, std::string *out) {
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    char32_t cp = byte;
    if (byte >= 0x80 && byte < 0xA0) cp = kHigh[byte - 0x80] != 0 ? kHigh[byte - 0x80] : 0xFFFD;
    AppendUtf8(cp, &out);
  }
  return out;
}

std::vector<std::string> CaptionLines(const std::string &caption) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '\\' && i + 1 < caption.size() && caption[i + 1] == 'n') {
      lines.emplace_back();
      ++i;
    } else if (c == '\n') {
      lines.emplace_back();
    } else if (c != '\r') {
      lines.back() += c;
    }
  }
  return lines;
}

void PrintSchema(const hostkit::Schema &schema, std::ostream &out) {
  for (const char *name : {"engine", "multiplayer"}) {
    const hostkit::SchemaPage *page = schema.FindPage(name);
    if (page == nullptr) {
      out << "page " << name << ": (missing from the schema)\n";
      continue;
    }
    out << "page " << page->name << " (" << schema.CountSettings(name) << " settings)\n";
    for (const hostkit::SchemaGroup &group : page->groups) {
      out << "  group " << group.name << "\n";
      for (const hostkit::SchemaSetting &setting : group.settings) {
        out << "    " << setting.name << ": " << setting.type();
        if (auto def = setting.default_value()) out << ", default \"" << Cp1252ToUtf8(*def) << "\"";
        for (const hostkit::SchemaAttribute &a : setting.attributes)
          if (a.key != "caption" && a.key != "type" && a.key != "default")
            out << ", " << a.key << " " << (a.quoted ? "\"" + a.value + "\"" : a.value);
        out << "\n";
        for (const std::string &line : CaptionLines(setting.caption()))
          out << "      | " << Cp1252ToUtf8(line) << "\n";
        for (const hostkit::SchemaListEntry &entry : setting.list)
          out << "      - " << entry.key << " = \"" << Cp1252ToUtf8(entry.text) << "\"\n";
      }
    }
  }
}

}  // namespace wolfet_host
