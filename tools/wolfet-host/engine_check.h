// The engine folder as the launcher checks it: the plug-in's verdict and
// content flags (SDLL_EngineConfig), kept for verify and the launch, and
// the files it names (SDLL_Verification) found where the game keeps them
// and compared with the manifest `verify --record` kept. Results only;
// the commands and the graphical host show them.
#ifndef TOOLS_WOLFET_HOST_ENGINE_CHECK_H
#define TOOLS_WOLFET_HOST_ENGINE_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "host.h"
#include "session.h"

namespace wolfet_host {

struct EngineReport {
  std::string folder;         /* as the plug-in read it */
  hostkit::EngineCheck check; /* its verdict, flags and message */
  uint32_t content_flags = 0; /* as kept: 0 when it reported none */
  std::string problem;        /* why the folder is not usable; empty when it is */
};

/* Runs the plug-in's check and keeps its flags with the folder they are
 * true for. Throws Error (kPlugin) when it gives no verdict. */
EngineReport CheckEngine(Session &session);

/* One file the plug-in named, looked for in the engine folder, then in
 * etmain. */
struct VerifiedFile {
  std::string name;
  std::vector<std::string> candidates; /* where it was looked for, in order */
  std::string path;                    /* where it was found; else the first candidate */
  bool in_etmain = false;
  bool present = false;
  ManifestEntry entry; /* its size and digest, when present */
};

struct VerifyReport {
  uint32_t content_flags = 0;
  std::string note;              /* why the engine check was run again, if it was */
  bool named_no_content = false; /* the plug-in named no content file for the flags */
  std::vector<VerifiedFile> files;
  bool recorded = false;                /* the files were kept as the manifest */
  bool no_manifest = false;             /* nothing to compare with */
  std::vector<std::string> differences; /* from the manifest, each a line */
  bool failed() const;
};

/* Asks the plug-in for its files with the flags of the folder as it is
 * now, finds and digests them, then records them as the manifest or
 * compares them with it. Throws Error (kEngineFolder) when no folder is
 * set. */
VerifyReport VerifyEngineFiles(Session &session, bool record);

}  // namespace wolfet_host

#endif
