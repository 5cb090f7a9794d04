// hostkit::ParseSchema over arbitrary text: the host's reading of a schema
// that a plug-in hands over with a byte count and no terminator.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "schema.h"
#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // Exactly the bytes given, no terminator after them.
  std::vector<char> text(data, data + size);
  hostkit::Schema schema;
  hostkit::SchemaError error;
  const std::string_view view(text.data(), text.size());
  size_t lines = 1;
  for (char c : text) lines += c == '\n';
  if (hostkit::ParseSchema(view, &schema, &error)) {
    hostkit::Settings settings;
    hostkit::ApplyDefaults(schema, &settings);
    // Names may repeat; lookups answer with the first of a name.
    for (const hostkit::SchemaPage &page : schema.pages) {
      FUZZ_CHECK(schema.FindPage(page.name) != nullptr);
      for (const hostkit::SchemaGroup &group : page.groups)
        for (const hostkit::SchemaSetting &setting : group.settings)
          FUZZ_CHECK(setting.line >= 1 && static_cast<size_t>(setting.line) <= lines);
    }
  } else {
    // The error names a place inside the text (or just past its end).
    FUZZ_CHECK(error.line >= 1 && static_cast<size_t>(error.line) <= lines);
    FUZZ_CHECK(error.column >= 1 && static_cast<size_t>(error.column) <= size + 1);
    FUZZ_CHECK(!error.message.empty() && !hostkit::Describe(error).empty());
  }
  return 0;
}
