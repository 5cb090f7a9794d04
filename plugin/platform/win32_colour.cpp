/*
 * One system colour element, read and put back.
 */
#include <windows.h>

#include "platform.h"
#include "win32_syscalls.h"

namespace platform {

/* GetSystemColour: GetSysColor, 0x00BBGGRR. */
uint32_t GetSystemColour(int element) { return win32::Sys().GetSysColor(element); }

/* SetSystemColour: SetSysColors for the one element, desktop-wide; its
 * result is not examined. */
void SetSystemColour(int element, uint32_t colour) {
  const INT elements[1] = {element};
  const COLORREF colours[1] = {colour};
  win32::Sys().SetSysColors(1, elements, colours);
}

}  // namespace platform
