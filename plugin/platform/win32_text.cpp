/*
 * Host texts into the system ANSI code page, as the host's other plug-ins
 * see them.
 */
#include <windows.h>

#include "platform.h"

namespace platform {

/*
 * WideToAnsi: WideCharToMultiByte with CP_ACP and no flags, no default
 * character of our own and no used-default report, so characters the code
 * page lacks become its default character. char16_t and WCHAR are both
 * 16-bit UTF-16 units on Windows, so the cast only renames the type.
 */
int WideToAnsi(const char16_t *text, int units, char *out, int capacity) {
  if (text == nullptr || out == nullptr || units <= 0 || capacity <= 0) return 0;
  static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 units are WCHARs");
  return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(text), units, out, capacity, NULL,
                             NULL);
}

}  // namespace platform
