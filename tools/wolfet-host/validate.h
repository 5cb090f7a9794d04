// Checking a value the user sets against the setting's type in the schema,
// before it reaches the settings file and, through it, the plug-in.
#ifndef TOOLS_HOST_VALIDATE_H
#define TOOLS_HOST_VALIDATE_H

#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "schema.h"

namespace wolfet_host {

/* A number as people write it: decimal digits, a '-' before them and a
 * fraction after them at most. No octal from a leading 0, no hex, no
 * "inf" or "nan": what the C library would read of those is never what
 * was meant. False for anything else. */
bool ParseDecimal(std::string_view text, double *value);

/* How to set the engine folder, for the errors that say it is not set. */
std::string SetEngineFolderHint();

/* The setting by page, group and name. Throws Error (kBadInput)
 * listing the valid names at the level that did not match. */
const hostkit::SchemaSetting &FindSetting(const hostkit::Schema &schema, const std::string &page,
                                          const std::string &group, const std::string &setting);

/* Returns the value to store, or throws Error (kBadInput) saying
 * what the setting takes. Advice that does not stop the value goes to
 * `hints`. A folder is stored as an absolute path, since the plug-in
 * starts the game in it whatever folder the host later runs from. */
std::string ValidateValue(const std::string &where, const hostkit::SchemaSetting &setting,
                          const std::string &value, std::vector<std::string> *hints);

/* The plug-in reaches files only through the ANSI calls, in Windows-1252:
 * a folder whose path holds a character that code page cannot spell
 * reaches it with a '?' in that place and is never found. Throws
 * Error with `fault`, naming `where` and the character. */
void RejectFolderOutsideAnsi(const std::string &where, const std::string &folder, Fault fault);

/* Texts that go into the launch script unquoted: a line break in them
 * would add console commands of its own. Throws Error (kBadInput) naming
 * `what` when `text` holds a control character. */
void RejectControlCharacters(const std::string &what, const std::string &text);

/* Texts that the launch script takes whole on one line (player name,
 * server address, map name). The game ends a console command at ';' as
 * at a line end and reads '"' as the start of a quoted text, so either
 * would make the text more than the one command it is meant for; an empty
 * one leaves the command with nothing to act on. Throws Error (kBadInput) naming `what` and why. */
void RejectScriptText(const std::string &what, const std::string &text);

}  // namespace wolfet_host

#endif
