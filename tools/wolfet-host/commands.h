// What the subcommands do, apart from how they are called (commands/):
// the demo runs them in a row. Each returns its exit code or throws
// CommandError.
#ifndef TOOLS_HOST_COMMANDS_H
#define TOOLS_HOST_COMMANDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "servers/servers_command.h"
#include "session.h"

namespace wolfet_host {

int RunSchema(Session &session);
int RunSet(Session &session, const std::string &page, const std::string &group,
           const std::string &setting, const std::string &value);
int RunGet(Session &session, const std::string &page, const std::string &group,
           const std::string &setting);
int RunSettings(Session &session);

int RunCheck(Session &session);
int RunVerify(Session &session, bool record);

struct LaunchRequest {
  bool hosting = true;
  std::vector<std::string> servers; /* joining: the list to pick from; empty: the stored one */
  int32_t pick = 0;                 /* joining: index into `servers` */
  std::string player = "Player";
  int interval_ms = 100;
  double timeout_s = 0; /* 0: wait for the game as long as it runs */
};

/* Packs server texts into the list the plug-in reads: each entry a 16-bit
 * signed little-endian length and that many bytes, nothing else. Throws
 * CommandError (bad argument) for an entry over 255 bytes. */
std::vector<unsigned char> PackServerList(const std::vector<std::string> &servers);

/* What a launch saw, for the demo to judge. */
struct LaunchOutcome {
  unsigned polls = 0;
  double seconds = 0;
  uint32_t colour_before = 0, colour_after = 0;
};

int RunLaunch(Session &session, const LaunchRequest &request, LaunchOutcome *outcome = nullptr);

struct DemoOptions {
  std::string game;   /* the stand-in game to copy in as et.exe */
  int game_ms = 2000; /* how long the stand-in game runs */
  bool keep = false;  /* leave the sandbox folder for a look afterwards */
};

int RunDemo(const GlobalOptions &options, const DemoOptions &demo);

}  // namespace wolfet_host

#endif
