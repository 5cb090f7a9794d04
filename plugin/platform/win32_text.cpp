/*
 * Host texts into the system ANSI code page, as the host's other plug-ins
 * see them.
 */
#include <windows.h>

#include "platform.h"
#include "win32_syscalls.h"

namespace platform {

/*
 * WideToAnsi: WideCharToMultiByte with CP_ACP and no flags, no default
 * character of our own and no used-default report, so characters the code
 * page lacks become its default character. char16_t and WCHAR are both
 * 16-bit UTF-16 units on Windows, so the cast only renames the type.
 * The call itself refuses a null text or a null buffer (0, with
 * ERROR_INVALID_PARAMETER); a count of 0 or less is ours to refuse, as
 * the call would take -1 as "up to the NUL" and a capacity of 0 as a
 * request for the size needed.
 */
int WideToAnsi(const char16_t *text, int units, char *out, int capacity) {
  if (units <= 0 || capacity <= 0) return 0;
  static_assert(sizeof(char16_t) == sizeof(WCHAR), "UTF-16 units are WCHARs");
  return win32::Sys().WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(text), units, out,
                                          capacity, NULL, NULL);
}

}  // namespace platform
