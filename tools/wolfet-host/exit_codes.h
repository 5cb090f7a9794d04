// What wolfet-host's exit status means. Scripts branch on these numbers,
// so they never change meaning; this is the one place a failure's cause
// becomes one.
#ifndef TOOLS_WOLFET_HOST_EXIT_CODES_H
#define TOOLS_WOLFET_HOST_EXIT_CODES_H

#include <string>

#include "error.h"

namespace wolfet_host {

constexpr int kExitOk = 0;
/* A wrong option or command, as the argument parser finds it. */
constexpr int kExitUsage = 2;

int ExitCode(Fault fault);

/* The codes and what each means, as every --help ends. */
std::string ExitCodeHelp();

}  // namespace wolfet_host

#endif
