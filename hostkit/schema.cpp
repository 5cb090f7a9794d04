/*
 * The settings schema parser: a hand-written lexer and a parser with one
 * function per block level (page, group, setting, list). Every byte read is
 * checked against the end of the view; the text need not be terminated.
 */
#include "schema.h"

#include <cstdio>
#include <utility>

#include "text.h"

namespace hostkit {
namespace {

struct Token {
  enum Kind { kWord, kString, kOpen, kClose, kEquals, kSemicolon, kEnd } kind = kEnd;
  std::string text;  /* a word's bytes, a string's contents */
  size_t offset = 0; /* where the token starts */
  size_t end = 0;    /* one past its last byte */
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsWordChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

bool IsInteger(const std::string &word) {
  size_t i = word.size() > 1 && word[0] == '-' ? 1 : 0;
  if (i == word.size()) return false;
  for (; i < word.size(); ++i)
    if (word[i] < '0' || word[i] > '9') return false;
  return true;
}

std::string Quote(const std::string &word) { return "'" + word + "'"; }

std::string Describe(const Token &token) {
  switch (token.kind) {
    case Token::kWord:
      return Quote(token.text);
    case Token::kString:
      return "a quoted string";
    case Token::kOpen:
      return "'{'";
    case Token::kClose:
      return "'}'";
    case Token::kEquals:
      return "'='";
    case Token::kSemicolon:
      return "';'";
    case Token::kEnd:
      break;
  }
  return "the end of the text";
}

/* A byte as an error message shows it: itself when printable ASCII. */
std::string DescribeByte(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x21 && byte <= 0x7E) return "character " + Quote(std::string(1, c));
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", byte);
  return std::string("byte ") + hex;
}

class Parser {
 public:
  Parser(std::string_view text, SchemaError *error) : text_(text), error_(error) {}

  bool Parse(Schema *schema) {
    if (!Advance()) return false;
    while (token_.kind != Token::kEnd) {
      SchemaPage page;
      size_t open = 0;
      if (!BlockStart("page", &page.name, &open)) return false;
      while (token_.kind != Token::kClose) {
        if (!Unclosed("page", page.name, open)) return false;
        SchemaGroup group;
        if (!ParseGroup(&group)) return false;
        page.groups.push_back(std::move(group));
      }
      if (!Advance()) return false;
      schema->pages.push_back(std::move(page));
    }
    return true;
  }

 private:
  bool ParseGroup(SchemaGroup *group) {
    size_t open = 0;
    if (!BlockStart("group", &group->name, &open)) return false;
    while (token_.kind != Token::kClose) {
      if (!Unclosed("group", group->name, open)) return false;
      SchemaSetting setting;
      if (!ParseSetting(&setting)) return false;
      group->settings.push_back(std::move(setting));
    }
    return Advance();
  }

  bool ParseSetting(SchemaSetting *setting) {
    size_t open = 0;
    setting->line = LineOf(token_.offset);
    if (!BlockStart("setting", &setting->name, &open)) return false;
    bool has_list = false;
    while (token_.kind != Token::kClose) {
      if (!Unclosed("setting", setting->name, open)) return false;
      if (token_.kind != Token::kWord)
        return Fail(token_.offset, "expected an attribute or a list in setting " +
                                       Quote(setting->name) + ", found " + Describe(token_));
      const Token key = token_;
      if (!Advance()) return false;
      if (token_.kind == Token::kOpen) {
        if (key.text != "list")
          return Fail(key.offset, "setting " + Quote(setting->name) + " holds a block " +
                                      Quote(key.text) + "; only 'list' may stand there");
        if (has_list)
          return Fail(key.offset, "setting " + Quote(setting->name) + " holds a second list");
        has_list = true;
        if (!ParseList(setting->name, &setting->list)) return false;
        continue;
      }
      SchemaAttribute attribute;
      attribute.key = key.text;
      if (!ParseAssignment(key, &attribute.value, &attribute.quoted, true)) return false;
      setting->attributes.push_back(std::move(attribute));
    }
    return Advance();
  }

  /* Entered on the list's '{'. */
  bool ParseList(const std::string &setting, std::vector<SchemaListEntry> *list) {
    const size_t open = token_.offset;
    if (!Advance()) return false;
    while (token_.kind != Token::kClose) {
      if (!Unclosed("list of setting", setting, open)) return false;
      if (token_.kind != Token::kWord)
        return Fail(token_.offset, "expected a list entry key in the list of setting " +
                                       Quote(setting) + ", found " + Describe(token_));
      const Token key = token_;
      if (!Advance()) return false;
      SchemaListEntry entry;
      entry.key = key.text;
      bool quoted = false;
      if (!ParseAssignment(key, &entry.text, &quoted, false)) return false;
      list->push_back(std::move(entry));
    }
    return Advance();
  }

  /* "= value ;" after a key; a list entry's value must be quoted. */
  bool ParseAssignment(const Token &key, std::string *value, bool *quoted, bool integer_allowed) {
    if (token_.kind != Token::kEquals)
      return Fail(token_.offset,
                  "expected '=' after " + Quote(key.text) + ", found " + Describe(token_));
    if (!Advance()) return false;
    const bool is_integer = token_.kind == Token::kWord && IsInteger(token_.text);
    if (token_.kind != Token::kString && !(integer_allowed && is_integer))
      return Fail(token_.offset, "the value of " + Quote(key.text) + " must be " +
                                     (integer_allowed ? "a decimal integer or " : "") +
                                     "a quoted string, found " + Describe(token_));
    *value = token_.text;
    *quoted = token_.kind == Token::kString;
    const size_t value_end = token_.end;
    if (!Advance()) return false;
    if (token_.kind != Token::kSemicolon)
      return Fail(value_end, "expected ';' after the value of " + Quote(key.text) + ", found " +
                                 Describe(token_));
    return Advance();
  }

  /* A block's name and its '{'; leaves the token after the brace. */
  bool BlockStart(const char *what, std::string *name, size_t *open) {
    if (token_.kind != Token::kWord || token_.text[0] == '-')
      return Fail(token_.offset,
                  std::string("expected a ") + what + " name, found " + Describe(token_));
    *name = token_.text;
    if (!Advance()) return false;
    if (token_.kind != Token::kOpen)
      return Fail(token_.offset, std::string("expected '{' after the ") + what + " name " +
                                     Quote(*name) + ", found " + Describe(token_));
    *open = token_.offset;
    return Advance();
  }

  /* The end of the text inside a block: the error points at its '{'. */
  bool Unclosed(const char *what, const std::string &name, size_t open) {
    if (token_.kind != Token::kEnd) return true;
    return Fail(open, std::string("the '{' of ") + what + " " + Quote(name) +
                          " is not closed before the end of the text");
  }

  /* The lexer: reads the next token into token_. */
  bool Advance() {
    if (!SkipBlanksAndComments()) return false;
    token_ = Token{};
    token_.offset = pos_;
    if (pos_ >= text_.size()) {
      token_.end = pos_;
      return true;
    }
    const char c = text_[pos_];
    switch (c) {
      case '{':
        token_.kind = Token::kOpen;
        break;
      case '}':
        token_.kind = Token::kClose;
        break;
      case '=':
        token_.kind = Token::kEquals;
        break;
      case ';':
        token_.kind = Token::kSemicolon;
        break;
      default:
        break;
    }
    if (token_.kind != Token::kEnd) {
      token_.end = ++pos_;
      return true;
    }
    if (c == '"') {
      const size_t close = text_.find('"', pos_ + 1);
      if (close == std::string_view::npos)
        return Fail(pos_, "quoted string not closed before the end of the text");
      token_.kind = Token::kString;
      token_.text = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
      token_.end = pos_ = close + 1;
      return true;
    }
    if (IsWordChar(c) ||
        (c == '-' && pos_ + 1 < text_.size() && text_[pos_ + 1] >= '0' && text_[pos_ + 1] <= '9')) {
      size_t end = pos_ + 1;
      while (end < text_.size() && IsWordChar(text_[end])) ++end;
      token_.kind = Token::kWord;
      token_.text = std::string(text_.substr(pos_, end - pos_));
      token_.end = pos_ = end;
      return true;
    }
    return Fail(pos_, "unexpected " + DescribeByte(c));
  }

  bool SkipBlanksAndComments() {
    for (;;) {
      while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
      if (text_.substr(pos_, 2) != "/*") return true;
      const size_t close = text_.find("*/", pos_ + 2);
      if (close == std::string_view::npos)
        return Fail(pos_, "comment not closed before the end of the text");
      pos_ = close + 2;
    }
  }

  /* Lines end at LF (a CR before it is the line's last byte); columns
   * count bytes, a tab as one. */
  void Locate(size_t offset, int *line, int *column) const {
    size_t line_start = 0;
    *line = 1;
    for (size_t i = 0; i < offset && i < text_.size(); ++i) {
      if (text_[i] != '\n') continue;
      ++*line;
      line_start = i + 1;
    }
    *column = static_cast<int>(offset - line_start + 1);
  }

  int LineOf(size_t offset) const {
    int line = 0, column = 0;
    Locate(offset, &line, &column);
    return line;
  }

  bool Fail(size_t offset, std::string message) {
    if (error_ != nullptr) {
      Locate(offset, &error_->line, &error_->column);
      error_->message = std::move(message);
    }
    return false;
  }

  std::string_view text_;
  SchemaError *error_;
  size_t pos_ = 0;
  Token token_;
};

}  // namespace

std::optional<std::string> SchemaSetting::Attribute(std::string_view key) const {
  for (const SchemaAttribute &attribute : attributes)
    if (attribute.key == key) return attribute.value;
  return std::nullopt;
}

const SchemaPage *Schema::FindPage(std::string_view page) const {
  for (const SchemaPage &candidate : pages)
    if (candidate.name == page) return &candidate;
  return nullptr;
}

const SchemaSetting *Schema::Find(std::string_view page, std::string_view group,
                                  std::string_view setting) const {
  const SchemaPage *found = FindPage(page);
  if (found == nullptr) return nullptr;
  for (const SchemaGroup &candidate : found->groups) {
    if (candidate.name != group) continue;
    for (const SchemaSetting &s : candidate.settings)
      if (s.name == setting) return &s;
  }
  return nullptr;
}

size_t Schema::CountSettings(std::string_view page) const {
  const SchemaPage *found = FindPage(page);
  if (found == nullptr) return 0;
  size_t count = 0;
  for (const SchemaGroup &group : found->groups) count += group.settings.size();
  return count;
}

bool ParseSchema(std::string_view text, Schema *schema, SchemaError *error) {
  Schema parsed;
  if (!Parser(text, error).Parse(&parsed)) return false;
  if (schema != nullptr) *schema = std::move(parsed);
  return true;
}

std::string Describe(const SchemaError &error) {
  return "line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " +
         error.message;
}

void ApplyDefaults(const Schema &schema, Settings *settings) {
  if (settings == nullptr) return;
  for (const SchemaPage &page : schema.pages) {
    Page target;
    if (page.name == "engine") {
      target = Page::kEngine;
    } else if (page.name == "multiplayer") {
      target = Page::kMultiplayer;
    } else {
      continue;
    }
    for (const SchemaGroup &group : page.groups)
      for (const SchemaSetting &setting : group.settings)
        if (auto value = setting.default_value())
          settings->Set(target, group.name, setting.name, FromWindows1252(*value));
  }
}

}  // namespace hostkit
