/*
 * Host strings: our ANSI copies of the UTF-16 texts that host services
 * return. Each lives in task memory, belongs to whoever read it and is
 * released with FreeHostString; null stands for "no text" and may be freed
 * too. The UTF-16 original stays the host's and is never kept.
 */
#ifndef SDLL_HOST_HOST_STRING_H
#define SDLL_HOST_HOST_STRING_H

#include <cstdint>

#include <sdll/sdll.h>

namespace sdll {

typedef char *HostString;

/* Every read asks the host again; nothing is cached. */
HostString ReadEngineString(const char *section, const char *key);
HostString ReadGameString(const char *section, const char *key);
HostString ReadFileName(int32_t index);

HostString WideToHostString(const SdllWideChar *text);
void FreeHostString(HostString text);

/* The text a caller should use in place of a host string that may be null:
 * every part of the plug-in treats "no text" as the empty text. */
inline const char *TextOrEmpty(HostString text) { return text != nullptr ? text : ""; }

/* Owns a host string for the length of a scope, so no return path forgets
 * to release it. */
class ScopedHostString {
 public:
  explicit ScopedHostString(HostString text) : text_(text) {}
  ~ScopedHostString() { FreeHostString(text_); }
  ScopedHostString(const ScopedHostString &) = delete;
  ScopedHostString &operator=(const ScopedHostString &) = delete;

  /* Never null: "no text" reads as "". */
  const char *get() const { return TextOrEmpty(text_); }

 private:
  HostString text_;
};

}  // namespace sdll

#endif
