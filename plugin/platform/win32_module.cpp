/*
 * The DLL entry. The MinGW runtime has already started (static
 * constructors included) when the loader calls it.
 */
#include <windows.h>

#include "platform.h"

/*
 * DllMain: records our own module handle at process attach, the one
 * moment the loader names it; thread attach and detach and process detach
 * have nothing to do. Always reports success: a refusal would make the
 * host's LoadLibrary fail for no reason of ours.
 */
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) platform::OnProcessAttach(static_cast<void *>(instance));
  return TRUE;
}
