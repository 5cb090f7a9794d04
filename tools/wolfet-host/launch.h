// Hosting or joining a game as the launcher does: the request checked
// where the plug-in, by its contract, does not look (the texts it writes
// unquoted, the folder it writes in, the script it may fail to write),
// the launch, and the poll until the game ends, with the desktop colour
// the plug-in puts back only when a poll sees that end kept safe in
// between. What happens on the way is told to a LaunchWatcher; the
// command line and the graphical host each show it their own way.
#ifndef TOOLS_WOLFET_HOST_LAUNCH_H
#define TOOLS_WOLFET_HOST_LAUNCH_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session.h"

namespace wolfet_host {

struct LaunchRequest {
  bool hosting = true;
  std::vector<std::string> servers; /* joining: the list to pick from */
  std::string servers_from;         /* where that list came from, for messages; empty: given */
  std::string server_name;          /* joining: the picked server's name, when known */
  int32_t pick = 0;                 /* joining: index into `servers` */
  std::string player = "Player";
  int interval_ms = 100;
  double timeout_s = 0; /* 0: wait for the game as long as it runs */
  bool force = false;   /* launch past a launch.cfg in the game's home folder */
};

class LaunchWatcher {
 public:
  virtual ~LaunchWatcher() = default;
  /* Advice that does not stop the launch. */
  virtual void Note(const std::string &text) = 0;
  /* Just before the plug-in starts the game: what is launched. */
  virtual void Starting(const std::string &what) = 0;
  /* The plug-in has returned from the launch. */
  virtual void Launched() {}
  /* The plug-in has started the game with this script. */
  virtual void Started(const std::string &script_path, const std::string &script) = 0;
  /* After each poll that found the game running; returns what stopped the
   * wait (such as "Ctrl-C (SIGINT)"), or null to wait on. */
  virtual const char *Running(double seconds) = 0;
};

struct LaunchOutcome {
  unsigned polls = 0;
  double seconds = 0;
  uint32_t colour_before = 0, colour_after = 0;
};

/* Packs server texts into the list the plug-in reads: each entry a 16-bit
 * signed little-endian length and that many bytes, nothing else. Throws
 * Error (kBadInput) for an entry over 255 bytes or with a control
 * character. */
std::vector<unsigned char> PackServerList(const std::vector<std::string> &servers);

/* Launches and waits for the game to end. Throws Error: kBadInput or
 * kEngineFolder for what is refused before anything starts, kFile when
 * etmain/ cannot take the script, kWait when the game started on another
 * script than the new one, outlived `timeout_s` or the wait was stopped
 * (the colour from before the launch is then put back by the host
 * itself, and kept for the next launch). */
LaunchOutcome Launch(Session &session, const LaunchRequest &request, LaunchWatcher &watcher);

/* The launch.cfg files in the game's home folders (os::GameHomeFolders)
 * that the game would run in place of the one the plug-in writes: its
 * `exec` looks in the home folder before the install folder. */
std::vector<std::string> ShadowingScripts();

/* The kept colour's text: its first line, one hexadecimal number up to
 * FFFFFFFF, with or without 0x (the host writes 0x00BBGGRR). None when
 * it holds no colour. */
std::optional<uint32_t> ReadKeptColour(const std::string &text);

/* "0x00D77800 (#0078D7)": a colour as the messages give it. */
std::string ColourText(uint32_t bgr);

}  // namespace wolfet_host

#endif
