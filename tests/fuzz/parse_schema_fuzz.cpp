// hostkit::ParseSchema over arbitrary text: the host's reading of a schema
// that a plug-in hands over with a byte count and no terminator. libFuzzer's
// block holds exactly the bytes given, so a read past them is caught.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <string_view>

#include "schema.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  hostkit::Schema schema;
  hostkit::SchemaError error;
  if (hostkit::ParseSchema(text, &schema, &error)) {
    hostkit::Settings settings;
    hostkit::ApplyDefaults(schema, &settings);  // converts the default texts
    return 0;
  }
  // The error names a place inside the text or just past its end: a line
  // that is there, and a column no further than that line's end.
  size_t start = 0;  // where the error's line starts
  for (int line = 1; line < error.line; ++line, start = text.find('\n', start) + 1)
    assert(text.find('\n', start) != std::string_view::npos);
  assert(error.line >= 1 && error.column >= 1 &&
         start + static_cast<size_t>(error.column) - 1 <= std::min(text.find('\n', start), size));
  assert(!error.message.empty());
  return 0;
}
