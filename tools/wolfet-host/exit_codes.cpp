#include "exit_codes.h"

namespace wolfet_host {
namespace {

struct Code {
  int code;
  const char *meaning;
  Fault faults[3];
  int fault_count;
};

/* Several causes share a code where a script would do the same about
 * them. */
const Code kCodes[] = {
    {1,
     "a file could not be read or written; the game did not end in time, the wait was "
     "stopped or the game started on another script than the new one; or the demo saw the "
     "plug-in fail",
     {Fault::kFile, Fault::kWait, Fault::kDemo},
     3},
    {2,
     "a bad argument, setting name or value, or a settings file that cannot be taken",
     {Fault::kBadInput},
     1},
    {3, "the plug-in cannot be loaded, lacks an export or fails a call", {Fault::kPlugin}, 1},
    {4, "the engine folder is not set or not usable", {Fault::kEngineFolder}, 1},
    {5, "verification found a missing, moved or changed file", {Fault::kFilesDiffer}, 1},
    {6,
     "the master server could not be found or sent no server list in time, or the server info "
     "asks could not be found or did not answer",
     {Fault::kNoAnswer},
     1},
};

}  // namespace

int ExitCode(Fault fault) {
  for (const Code &c : kCodes)
    for (int i = 0; i < c.fault_count; ++i)
      if (c.faults[i] == fault) return c.code;
  return 1;
}

std::string ExitCodeHelp() {
  std::string help = "Exit codes: 0 success";
  for (const Code &c : kCodes) help += "; " + std::to_string(c.code) + " " + c.meaning;
  return help + ".";
}

}  // namespace wolfet_host
