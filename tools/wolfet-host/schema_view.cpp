#include "schema_view.h"

#include "text.h"

namespace wolfet_host {

std::string Cp1252ToUtf8(std::string_view text) {
  std::u16string wide = hostkit::FromWindows1252(text);
  for (char16_t &c : wide)
    if (c >= 0x80 && c < 0xA0) c = 0xFFFD;
  return hostkit::Utf16ToUtf8(wide);
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
