// How the settings commands show a value and the content flags.
#ifndef TOOLS_HOST_COMMANDS_DISPLAY_H
#define TOOLS_HOST_COMMANDS_DISPLAY_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "schema.h"
#include "schema_view.h"
#include "session.h"

namespace wolfet_host {

/* Content flags as the launcher's logs write them: 0x4000. */
inline std::string FlagsText(uint32_t flags) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", flags);
  return text;
}

struct ShownValue {
  std::string text;
  const char *source; /* "set", "default" or "not set" */
  bool is_set() const { return std::string(source) != "not set"; }
};

/* A setting as `get` and `settings` show it: the file's value, else the
 * schema's default. */
inline ShownValue CurrentValue(Session &session, const std::string &page, const std::string &group,
                               const hostkit::SchemaSetting &setting) {
  if (auto v = session.file().Value(page, group, setting.name)) return {*v, "set"};
  if (auto d = setting.default_value()) return {Cp1252ToUtf8(*d), "default"};
  return {"", "not set"};
}

}  // namespace wolfet_host

#endif
