#include "validate.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "launch/launch.h"
#include "os.h"
#include "servers/protocol.h"
#include "text.h"

namespace wolfet_host {
namespace {

template <typename List, typename Name>
std::string Names(const List &list, Name name) {
  std::string out;
  for (const auto &item : list) out += (out.empty() ? "" : ", ") + name(item);
  return out;
}

/* The master server: one of the setting's list keys (such as "main"), or
 * HOST[:PORT] as `servers` reads it, so that a typing error shows now
 * rather than at the next query. The name is not looked up: a master
 * may be set for later, or offline. */
std::string ValidateMasterAddress(const std::string &where, const hostkit::SchemaSetting &setting,
                                  const std::string &value) {
  for (const auto &entry : setting.list)
    if (entry.key == value) return value;
  std::string why;
  if (!ParseMasterAddress(value, &why))
    throw Error(Fault::kBadInput,
                where +
                    " takes HOST[:PORT] (an IPv4 address or a host name, port 1 to "
                    "65535) or one of its list keys (" +
                    Names(setting.list, [](const auto &e) { return e.key; }) + "); '" + value +
                    "' " + why);
  return value;
}

}  // namespace

bool ParseDecimal(std::string_view text, double *value) {
  size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
  const size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits) return false;
  if (i < text.size() && text[i] == '.') {
    const size_t fraction = ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == fraction) return false;
  }
  if (i != text.size()) return false;
  *value = std::strtod(std::string(text).c_str(), nullptr);
  return true;
}

std::string SetEngineFolderHint() {
  return std::string("set it with: wolfet-host set engine general enginepath FOLDER") +
         os::PathSeparator();
}

const hostkit::SchemaSetting &FindSetting(const hostkit::Schema &schema, const std::string &page,
                                          const std::string &group, const std::string &setting) {
  const hostkit::SchemaPage *p = schema.FindPage(page);
  if (p == nullptr || (page != "engine" && page != "multiplayer"))
    throw Error(Fault::kBadInput,
                "unknown page '" + page + "'; the pages are: engine, multiplayer");
  const hostkit::SchemaGroup *g = nullptr;
  for (const auto &candidate : p->groups)
    if (candidate.name == group) g = &candidate;
  if (g == nullptr)
    throw Error(Fault::kBadInput,
                "unknown group '" + group + "' on page " + page +
                    "; its groups are: " + Names(p->groups, [](const auto &x) { return x.name; }));
  for (const auto &candidate : g->settings)
    if (candidate.name == setting) return candidate;
  throw Error(Fault::kBadInput, "unknown setting '" + setting + "' in " + page + " " + group +
                                    "; its settings are: " +
                                    Names(g->settings, [](const auto &x) { return x.name; }));
}

void RejectFolderOutsideAnsi(const std::string &where, const std::string &folder, Fault fault) {
  const auto lacking = hostkit::FirstOutsideWindows1252(hostkit::Utf8ToUtf16(folder));
  if (!lacking) return;
  std::string character;
  hostkit::AppendUtf8(*lacking, &character);
  char number[16];
  std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(*lacking));
  throw Error(fault, where + " \"" + folder + "\" cannot be reached through the ANSI calls " +
                         "the plug-in makes: their code page, Windows-1252, has no '" + character +
                         "' (" + number +
                         "); move or rename the folder so that its path holds no such character");
}

void RejectControlCharacters(const std::string &what, const std::string &text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      throw Error(Fault::kBadInput,
                  what +
                      " holds a control character (such as a line break); the game "
                      "would read it as a command of its own");
}

void RejectScriptText(const std::string &what, const std::string &text) {
  if (text.empty())
    throw Error(Fault::kBadInput,
                what + " is empty; the launch script needs a text there: give one");
  RejectControlCharacters(what, text);
  if (text.find(';') != std::string::npos)
    throw Error(Fault::kBadInput, what + " \"" + text +
                                      "\" holds ';', where the game ends one command "
                                      "and starts another; leave it out");
  if (text.find('"') != std::string::npos)
    throw Error(Fault::kBadInput, what + " \"" + text +
                                      "\" holds '\"', which the game reads as the start "
                                      "of a quoted text; leave it out");
}

std::string ValidateValue(const std::string &where, const hostkit::SchemaSetting &setting,
                          const std::string &value, std::vector<std::string> *hints) {
  const std::string type = setting.type();
  RejectControlCharacters(where, value);
  if (setting.name == "masteraddress") return ValidateMasterAddress(where, setting, value);
  if (type == "caption")
    throw Error(Fault::kBadInput, where + " is a caption: it shows text and holds no value");
  if (type == "select") {
    for (const auto &entry : setting.list)
      if (entry.key == value) return value;
    throw Error(Fault::kBadInput,
                where + " takes one of its list keys: " + Names(setting.list, [](const auto &e) {
                  return e.key + " (" + e.text + ")";
                }));
  }
  if (type == "boolean") {
    if (value == "0" || value == "1") return value;
    throw Error(Fault::kBadInput, where + " is a boolean: give 0 or 1, not '" + value + "'");
  }
  if (type == "folder") {
    if (value.empty()) return value;
    std::error_code error;
    if (!std::filesystem::is_directory(value, error))
      throw Error(Fault::kBadInput,
                  where + " takes an existing folder; '" + value + "' is not one");
    std::string absolute = std::filesystem::absolute(value, error).string();
    if (error) absolute = value;
    RejectFolderOutsideAnsi(where, absolute, Fault::kBadInput);
    if (os::EndsWithSeparator(value) && !os::EndsWithSeparator(absolute))
      absolute += os::PathSeparator();
    if (!os::EndsWithSeparator(absolute))
      hints->push_back("hint: '" + absolute + "' does not end with '" +
                       std::string(1, os::PathSeparator()) +
                       "'; the plug-in appends file names to the folder directly, so it will "
                       "look for '" +
                       absolute + "et.exe'. Set '" + absolute + os::PathSeparator() + "' instead.");
    return absolute;
  }
  if (type == "text") {
    const auto max = setting.Attribute("maxlength");
    const long limit = max ? std::strtol(max->c_str(), nullptr, 10) : 0;
    /* maxlength 0 stands for no limit: the parameters field has it. */
    if (limit > 0 && value.size() > static_cast<size_t>(limit))
      throw Error(Fault::kBadInput,
                  where + " takes at most " + std::to_string(limit) + " characters");
    return value;
  }
  if (type == "map") {
    /* The plug-in's own cut: a text it would pass whole (no ' ' or '-')
     * or cut to nothing gives the game no map name. */
    const size_t name = sdll::MapNameLength(value.c_str());
    if (name == 0 || name == value.size())
      throw Error(Fault::kBadInput, where +
                                        " takes the map name followed by ' ' or '-' and its title, "
                                        "such as 'oasis - Siwa Oasis'; '" +
                                        value + "' gives no map name");
    RejectScriptText("the map name of " + where, value.substr(0, name));
    return value;
  }
  return value;
}

}  // namespace wolfet_host
