/*
 * The plug-in's boundary with the launcher host: the seven exports and the
 * 25 host services. Both the plug-in and any host (hostkit/, the tests)
 * include this header, so the two sides cannot drift apart.
 *
 * Every value crossing the boundary is a 32-bit integer or a pointer.
 * Texts we pass to the host are NUL-terminated ANSI (the schema alone goes
 * with a byte count); texts the host returns are NUL-terminated UTF-16 and
 * stay the host's.
 */
#ifndef SDLL_SDLL_H
#define SDLL_SDLL_H

#include <cstdint>

#include "abi.h"

/* UTF-16 code unit of host texts; wchar_t is 32 bits on ELF platforms. */
typedef char16_t SdllWideChar;

/* Slot numbers of the host services table. */
enum SdllSlot : uint32_t {
  kSlotSetConfiguration = 0,
  kSlotGetEngineString = 2,
  kSlotMessageBox = 5,
  kSlotGetGameInteger = 6,
  kSlotGetGameString = 7,
  kSlotAddVerifyFile = 11,
  kSlotSetContentFlags = 12,
  kSlotGetFileCount = 13,
  kSlotGetFileName = 14,
  kSlotSetEngineValid = 24,
  kSlotCount = 25
};

/* What a slot holds before it is cast to the service's own type. */
typedef void(SDLL_STDCALL *SdllService)(void);

typedef int32_t(SDLL_STDCALL *HostSetConfigurationFn)(const char *text, uint32_t size);
typedef const SdllWideChar *(SDLL_STDCALL *HostGetEngineStringFn)(uint32_t context,
                                                                  const char *section,
                                                                  const char *key);
typedef int32_t(SDLL_STDCALL *HostMessageBoxFn)(const char *message, const char *caption,
                                                uint32_t style);
typedef int32_t(SDLL_STDCALL *HostGetGameIntegerFn)(uint32_t context, const char *section,
                                                    const char *key);
typedef const SdllWideChar *(SDLL_STDCALL *HostGetGameStringFn)(uint32_t context,
                                                                const char *section,
                                                                const char *key);
typedef int32_t(SDLL_STDCALL *HostAddVerifyFileFn)(const char *engine_folder,
                                                   const char *file_name);
typedef int32_t(SDLL_STDCALL *HostSetContentFlagsFn)(uint32_t context, uint32_t flags);
typedef int32_t(SDLL_STDCALL *HostGetFileCountFn)(uint32_t context);
typedef const SdllWideChar *(SDLL_STDCALL *HostGetFileNameFn)(uint32_t context, int32_t index);
typedef int32_t(SDLL_STDCALL *HostSetEngineValidFn)(uint32_t context, int32_t valid);

/* The exports, by undecorated name. */
extern "C" {
typedef void(SDLL_CDECL *SDLL_InitCallFn)(uint32_t index, SdllService service);
typedef int32_t(SDLL_CDECL *SDLL_InitFn)(uint32_t context, char *name, uint16_t *code);
typedef int32_t(SDLL_CDECL *SDLL_LoadConfigurationFn)(void);
typedef int32_t(SDLL_CDECL *SDLL_EngineConfigFn)(void);
typedef void(SDLL_CDECL *SDLL_VerificationFn)(uint32_t content_flags);
typedef void(SDLL_CDECL *SDLL_LaunchMultiplayerFn)(uint32_t content_flags, int32_t server_index,
                                                    int32_t hosting_index, uint32_t unused,
                                                    const unsigned char *server_list,
                                                    const char *player_name);
typedef int32_t(SDLL_CDECL *SDLL_MultiplayerFinishedFn)(void);

SDLL_EXPORT void SDLL_CDECL SDLL_InitCall(uint32_t index, SdllService service);
SDLL_EXPORT int32_t SDLL_CDECL SDLL_Init(uint32_t context, char *name, uint16_t *code);
SDLL_EXPORT int32_t SDLL_CDECL SDLL_LoadConfiguration(void);
SDLL_EXPORT int32_t SDLL_CDECL SDLL_EngineConfig(void);
SDLL_EXPORT void SDLL_CDECL SDLL_Verification(uint32_t content_flags);
SDLL_EXPORT void SDLL_CDECL SDLL_LaunchMultiplayer(uint32_t content_flags, int32_t server_index,
                                                   int32_t hosting_index, uint32_t unused,
                                                   const unsigned char *server_list,
                                                   const char *player_name);
SDLL_EXPORT int32_t SDLL_CDECL SDLL_MultiplayerFinished(void);
}

#endif
