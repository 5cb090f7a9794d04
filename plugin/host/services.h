/*
 * Calls into the host services table.
 *
 * The host is supposed to fill every slot before the export that uses it,
 * but nothing stops it from forgetting one. Rather than test at every call
 * site, each service is reached through one wrapper here, and an empty slot
 * has one fixed meaning: a read gives null (no text) or 0, a report is
 * skipped. The host context passed is always the one SDLL_Init stored.
 */
#ifndef SDLL_HOST_SERVICES_H
#define SDLL_HOST_SERVICES_H

#include <cstdint>

#include <sdll/sdll.h>

namespace sdll {

void HostSetConfiguration(const char *text, uint32_t size);
const SdllWideChar *HostGetEngineString(const char *section, const char *key);
void HostMessageBox(const char *message, const char *caption, uint32_t style);
int32_t HostGetGameInteger(const char *section, const char *key);
const SdllWideChar *HostGetGameString(const char *section, const char *key);
void HostAddVerifyFile(const char *engine_folder, const char *file_name);
void HostSetContentFlags(uint32_t flags);
int32_t HostGetFileCount();
const SdllWideChar *HostGetFileName(int32_t index);
void HostSetEngineValid(int32_t valid);

}  // namespace sdll

#endif
