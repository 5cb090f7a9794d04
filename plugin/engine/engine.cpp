/*
 * SDLL_EngineConfig and SDLL_Verification: judging the engine folder the
 * user chose and naming the files the host is to verify in it.
 *
 * Both read "enginepath" afresh from the host. A host that gives no text at
 * all (null) is treated as one that gives the empty text: the engine check
 * then takes its empty-setting path, and the verify list goes out with an
 * empty folder text, never a null pointer.
 */
#include "engine.h"

#include <sdll/sdll.h>

#include "../host/host_string.h"
#include "../host/services.h"
#include "../launch/file_exists.h"
#include "../launch/path.h"

namespace sdll {
namespace {

const char kCaption[] = "Wolf ET";
const char kMissingGame[] =
    "et.exe could not be found in the engine location you specified.\n"
    "Please make sure you selected the right folder!";
constexpr uint32_t kExclamationOk = 0x30; /* MB_ICONEXCLAMATION | MB_OK */

}  // namespace

/* A null text joins as the empty one. A folder text too long to take the
 * file name within MAX_PATH holds no such file: the directory search
 * could not be made for it, so the user hears that et.exe is missing. */
bool EngineFileExists(const char *folder, const char *file) {
  PathBuffer path;
  return JoinPath(path, folder, file) && FileExists(path);
}

const char *ContentFileName(uint32_t content_flags) {
  return content_flags == kContentGame ? "pak0.pk3" : "";
}

}  // namespace sdll

extern "C" {

/*
 * SDLL_EngineConfig: one HostSetEngineValid per call, always the last host
 * call; the warning and the content flags, when there are any, come before
 * it. The result says whether the user saw the warning, not the verdict.
 */
SDLL_EXPORT int32_t SDLL_CDECL SDLL_EngineConfig(void) {
  bool message_shown = false;
  sdll::ScopedHostString folder(sdll::ReadEngineString("general", "enginepath"));
  if (folder.get()[0] == '\0') {
    sdll::HostSetEngineValid(0);
  } else if (!sdll::EngineFileExists(folder.get(), "et.exe")) {
    sdll::HostMessageBox(sdll::kMissingGame, sdll::kCaption, sdll::kExclamationOk);
    message_shown = true;
    sdll::HostSetEngineValid(0);
  } else {
    uint32_t content_flags = 0;
    content_flags |= sdll::kContentGame;
    sdll::HostSetContentFlags(content_flags);
    sdll::HostSetEngineValid(1);
  }
  return message_shown ? 1 : 0;
}

/*
 * SDLL_Verification: et.exe and then the content file, both beside the same
 * folder text. The second call is made even when the content file name is
 * empty; the host gets a valid pointer to a lone NUL then.
 */
SDLL_EXPORT void SDLL_CDECL SDLL_Verification(uint32_t content_flags) {
  sdll::ScopedHostString folder(sdll::ReadEngineString("general", "enginepath"));
  sdll::HostAddVerifyFile(folder.get(), "et.exe");
  sdll::HostAddVerifyFile(folder.get(), sdll::ContentFileName(content_flags));
}

}  // extern "C"
