// Showing the plug-in's settings schema to a person.
#ifndef TOOLS_HOST_SCHEMA_VIEW_H
#define TOOLS_HOST_SCHEMA_VIEW_H

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "schema.h"
#include "text.h"

namespace wolfet_host {

/* The schema's texts are Windows-1252; terminals want UTF-8. (The host
 * kit's conversion, under the name the server browser knows it by.) */
inline std::string Cp1252ToUtf8(std::string_view text) { return hostkit::Windows1252ToUtf8(text); }

/* A caption's lines: both its real line breaks and the two characters
 * backslash and n break a line, as the launcher's pages show them. */
std::vector<std::string> CaptionLines(const std::string &caption);

/* The engine and multiplayer pages as an indented tree: group, setting,
 * type, default, caption lines and list entries. */
void PrintSchema(const hostkit::Schema &schema, std::ostream &out);

}  // namespace wolfet_host

#endif
