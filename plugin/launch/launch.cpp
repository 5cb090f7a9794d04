/*
 * SDLL_LaunchMultiplayer: writes the launch script etmain\launch.cfg for a
 * hosted or a joined game, saves the highlight colour and starts et.exe
 * with "+exec launch.cfg", keeping the process handle for the poll.
 *
 * The host sees a fixed order of reads: "enginepath", "parameters" (read
 * and dropped: it reaches neither the script nor the command line), and
 * when hosting "type" four times, "allowdownload", "type" once more and
 * last "map". Each test asks the host afresh rather than keeping the first
 * answer, so the reads stay the same whatever the answers are.
 */
#include "launch.h"

#include <sdll/sdll.h>

#include <cstring>

#include "../host/host_string.h"
#include "../host/services.h"
#include "file_exists.h"
#include "path.h"

namespace sdll {
namespace {

const char kCommandLine[] = "+exec launch.cfg";
const char kServerName[] = "set sv_hostname ^1Orvanta Server\n";

/* Reads a little-endian 16-bit signed length. A negative one cannot be a
 * byte count: it counts as 0 rather than walking backwards. */
int EntryLength(const unsigned char *entry) {
  const auto length = static_cast<int16_t>(static_cast<uint16_t>(entry[0] | (entry[1] << 8)));
  return length < 0 ? 0 : length;
}

/* One line of the script; the stream turns every "\n" in it, those inside
 * the texts too, into CR LF. */
void WriteLine(platform::TextFile *script, const char *command, const char *text) {
  platform::WriteText(script, command);
  platform::WriteText(script, text);
  platform::WriteText(script, "\n");
}

/* The hosted game's lines after the name line. */
void WriteHostedGame(platform::TextFile *script) {
  if (HostGetGameInteger("general", "type") == 0) platform::WriteText(script, "g_gametype 2\n");
  if (HostGetGameInteger("general", "type") == 1) platform::WriteText(script, "g_gametype 3\n");
  if (HostGetGameInteger("general", "type") == 2) platform::WriteText(script, "g_gametype 5\n");
  if (HostGetGameInteger("general", "type") == 3) platform::WriteText(script, "g_gametype 4\n");
  if (HostGetGameInteger("general", "allowdownload") == 1)
    platform::WriteText(script, "set sv_wwwDownload 1\n");
  if (HostGetGameInteger("general", "type") == 0) platform::WriteText(script, kServerName);

  /* The map text is our own copy, so the name is cut in place; it goes
   * back to the host's allocator as soon as the line is out. */
  HostString map_text = ReadGameString("general", "map");
  if (map_text != nullptr) map_text[MapNameLength(map_text)] = '\0';
  WriteLine(script, "map ", TextOrEmpty(map_text));
  FreeHostString(map_text);
}

}  // namespace

LaunchState &Launch() {
  static LaunchState state;
  return state;
}

/*
 * PickServerEntry: the host gives no count and promises an index inside
 * the list and entries of 0 to 255 bytes. Where it breaks the promise on
 * the entry itself, the copy stays inside the buffer: at most 255 bytes
 * are taken and the rest of the entry is dropped; a negative length reads
 * as 0. No list at all (null) gives the empty text. An index past the end
 * of the list cannot be told from a valid one and stays the host's to get
 * right.
 */
void PickServerEntry(const unsigned char *server_list, int32_t index,
                     char (&buffer)[kServerEntrySize]) {
  buffer[0] = '\0';
  if (server_list == nullptr) return;
  const unsigned char *entry = server_list;
  for (int32_t counter = 0; counter < index; ++counter) entry += 2 + EntryLength(entry);
  int length = EntryLength(entry);
  if (length > kServerEntrySize - 1) length = kServerEntrySize - 1;
  std::memcpy(buffer, entry + 2, static_cast<size_t>(length));
  buffer[length] = '\0';
}

/*
 * MapNameLength: a space anywhere wins over a '-' anywhere. A text with
 * neither has no cut point; rather than write no map line at all, the
 * whole text is kept as the map name.
 */
size_t MapNameLength(const char *map_text) {
  const char *cut = std::strchr(map_text, ' ');
  if (cut == nullptr) cut = std::strchr(map_text, '-');
  return cut != nullptr ? static_cast<size_t>(cut - map_text) : std::strlen(map_text);
}

}  // namespace sdll

extern "C" {

/*
 * SDLL_LaunchMultiplayer. Choices where the host breaks its promises:
 * - no engine folder text (null) is the empty text: the paths become
 *   relative to the current folder and the game starts in it;
 * - no player name (null) writes an empty name;
 * - a script that cannot be opened (etmain missing or write-protected) is
 *   not written, but every read still happens and the launch goes on to
 *   the colour save and the start, so the poll that follows sees the same
 *   launch state as after any other launch;
 * - a folder text too long for a path of MAX_PATH bytes is met as the
 *   Win32 file calls would meet it: no script path, no script and no
 *   backup (every read still happens); no program path, no start, so the
 *   poll that follows answers 1 at once and puts the saved colour back.
 * The handle of an earlier game that a new launch replaces is closed (it
 * would otherwise never be), without stopping that game.
 */
SDLL_EXPORT void SDLL_CDECL SDLL_LaunchMultiplayer(uint32_t content_flags, int32_t server_index,
                                                   int32_t hosting_index, uint32_t unused,
                                                   const unsigned char *server_list,
                                                   const char *player_name) {
  (void)content_flags;
  (void)unused;
  /* The working folder points into this text until the start has been
   * made; it is released on the way out, after the start. */
  sdll::ScopedHostString folder(sdll::ReadEngineString("general", "enginepath"));
  sdll::PathBuffer script_path;
  sdll::PathBuffer program_path;
  const bool script_named = sdll::JoinPath(script_path, folder.get(), "etmain\\launch.cfg");
  const bool program_named = sdll::JoinPath(program_path, folder.get(), "et.exe");

  platform::TextFile *script = nullptr;
  if (script_named) {
    sdll::BackupFile(script_path);
    script = platform::OpenTextFileForWriting(script_path);
  }
  sdll::FreeHostString(sdll::ReadEngineString("general", "parameters"));

  sdll::WriteLine(script, "name ", player_name != nullptr ? player_name : "");
  if (server_index == hosting_index) {
    sdll::WriteHostedGame(script);
  } else {
    char entry[sdll::kServerEntrySize];
    sdll::PickServerEntry(server_list, server_index, entry);
    sdll::WriteLine(script, "connect ", entry);
  }
  platform::CloseTextFile(script);

  sdll::LaunchState &state = sdll::Launch();
  state.saved_highlight_colour = platform::GetSystemColour(platform::kColourHighlight);
  platform::ProcessHandle replaced = state.game_process;
  state.game_process = program_named
                           ? platform::StartProgram(program_path, sdll::kCommandLine, folder.get())
                           : nullptr;
  platform::CloseProcess(replaced);
}

}  // extern "C"
