#include "host_string.h"

#include "../platform/platform.h"
#include "services.h"

namespace sdll {

HostString ReadEngineString(const char *section, const char *key) {
  return WideToHostString(HostGetEngineString(section, key));
}

HostString ReadGameString(const char *section, const char *key) {
  return WideToHostString(HostGetGameString(section, key));
}

HostString ReadFileName(int32_t index) { return WideToHostString(HostGetFileName(index)); }

/*
 * WideToHostString: 2 bytes of room per UTF-16 unit, terminator included,
 * so any ANSI code page (double-byte ones too) fits. The terminator is
 * converted with the text. A failed allocation or conversion gives null;
 * the host's text is only read.
 */
HostString WideToHostString(const SdllWideChar *text) {
  if (text == nullptr) return nullptr;
  size_t units = 1;
  while (text[units - 1] != 0) ++units;
  /* Past INT_MAX / 2 units the converter's int sizes cannot say it. */
  if (units > 0x3FFFFFFF) return nullptr;
  char *buffer = static_cast<char *>(platform::TaskAlloc(2 * units));
  if (buffer == nullptr) return nullptr;
  if (platform::WideToAnsi(text, static_cast<int>(units), buffer, static_cast<int>(2 * units)) ==
      0) {
    platform::TaskFree(buffer);
    return nullptr;
  }
  return buffer;
}

void FreeHostString(HostString text) { platform::TaskFree(text); }

}  // namespace sdll
