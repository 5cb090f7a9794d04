// Showing the plug-in's settings schema to a person.
#ifndef TOOLS_HOST_SCHEMA_VIEW_H
#define TOOLS_HOST_SCHEMA_VIEW_H

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "schema.h"

namespace wolfet_host {

/* Windows-1252 text for a terminal, as UTF-8. The host kit's table maps
 * the code page's five undefined bytes to C1 controls; a terminal may act
 * on those, so the display shows U+FFFD for every C1 control instead. */
std::string Cp1252ToUtf8(std::string_view text);

/* A caption's lines: both its real line breaks and the two characters
 * backslash and n break a line, as the launcher's pages show them. */
std::vector<std::string> CaptionLines(const std::string &caption);

/* The engine and multiplayer pages as an indented tree: group, setting,
 * type, default, caption lines and list entries. */
void PrintSchema(const hostkit::Schema &schema, std::ostream &out);

}  // namespace wolfet_host

#endif
