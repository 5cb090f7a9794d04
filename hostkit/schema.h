/*
 * The host's reading of a plug-in's settings schema: pages hold groups,
 * groups hold settings, settings hold attributes and at most one list.
 * The parser keeps what the text says and where; what a type means is the
 * host's business (see Settings and the command-line host).
 */
#ifndef HOSTKIT_SCHEMA_H
#define HOSTKIT_SCHEMA_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings.h"

namespace hostkit {

struct SchemaListEntry {
  std::string key;   /* a word or a decimal integer */
  std::string text;  /* the quoted text, without its quotes */
};

struct SchemaAttribute {
  std::string key;
  std::string value;  /* a quoted string without its quotes, or the integer's digits */
  bool quoted = false;
};

struct SchemaSetting {
  std::string name;
  std::vector<SchemaAttribute> attributes;  /* in the order of the text */
  std::vector<SchemaListEntry> list;        /* empty when the setting has none */
  int line = 0;                             /* where its name stands, from 1 */

  /* The value of an attribute, or nothing when the setting lacks it. */
  std::optional<std::string> Attribute(std::string_view key) const;
  std::string caption() const { return Attribute("caption").value_or(""); }
  std::string type() const { return Attribute("type").value_or(""); }
  std::optional<std::string> default_value() const { return Attribute("default"); }
};

struct SchemaGroup {
  std::string name;
  std::vector<SchemaSetting> settings;
};

struct SchemaPage {
  std::string name;
  std::vector<SchemaGroup> groups;
};

struct Schema {
  std::vector<SchemaPage> pages;

  const SchemaPage *FindPage(std::string_view page) const;
  const SchemaSetting *Find(std::string_view page, std::string_view group,
                            std::string_view setting) const;
  /* Number of settings on a page (0 for a page that is not there). */
  size_t CountSettings(std::string_view page) const;
};

struct SchemaError {
  int line = 0;    /* from 1 */
  int column = 0;  /* from 1, in bytes */
  std::string message;
};

/* Parses the schema text (any bytes; the size marks its end). On failure
 * returns false and says where and why; never reads past the text. */
bool ParseSchema(std::string_view text, Schema *schema, SchemaError *error);

/* "line L, column C: message" */
std::string Describe(const SchemaError &error);

/* Fills `settings` with every setting's default on the "engine" and
 * "multiplayer" pages; settings without a default are left absent. Texts
 * are taken as Windows-1252 and stored as UTF-16. */
void ApplyDefaults(const Schema &schema, Settings *settings);

}  // namespace hostkit

#endif
