#include "exit_codes.h"

namespace wolfet_host {

const char kExitCodeHelp[] =
    "Exit codes: 0 success; 1 a file could not be read or written, or the game did not end in "
    "time; 2 bad argument, setting name or value, or an unreadable settings file; 3 the plug-in "
    "cannot be loaded, lacks an export or fails a call; 4 the engine folder is not set or not "
    "usable; 5 verification found a missing or changed file; 6 the master server could not be "
    "found or sent no server list in time, or the server info asks could not be found or did "
    "not answer.";

}  // namespace wolfet_host
