/*
 * Engine installation checks: the engine file check and the content file
 * that a content flags word names.
 */
#ifndef SDLL_ENGINE_ENGINE_H
#define SDLL_ENGINE_ENGINE_H

#include <cstdint>

namespace sdll {

/* The only content flags value we report: the folder holds et.exe. */
constexpr uint32_t kContentGame = 0x4000;

/* True when `folder` followed directly by `file` (no separator put in
 * between) fits in a path of MAX_PATH bytes and names a directory entry
 * there, file or folder. */
bool EngineFileExists(const char *folder, const char *file);

/* "pak0.pk3" for exactly 0x4000, the empty text for any other word. */
const char *ContentFileName(uint32_t content_flags);

}  // namespace sdll

#endif
