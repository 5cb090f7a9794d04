// host and join: the launch as the launcher makes it, then the poll for
// the game's end (commands/host.cpp and commands/join.cpp call it).
#include "launch/launch.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "commands.h"
#include "console.h"
#include "exit_codes.h"
#include "os.h"
#include "platform/platform.h"
#include "servers/kept_list.h"
#include "servers/servers_command.h"
#include "validate.h"

namespace wolfet_host {
namespace {

/* The plug-in copies a picked entry into a 256-byte buffer with its NUL. */
constexpr size_t kMaxServerText = 255;

std::string Colour(uint32_t bgr) {
  char text[48];
  std::snprintf(text, sizeof text, "0x%08X (#%02X%02X%02X)", bgr, bgr & 0xFF, (bgr >> 8) & 0xFF,
                (bgr >> 16) & 0xFF);
  return text;
}

uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }

/* The platform layer reports nothing, so the colour is read back. */
bool SetHighlight(uint32_t colour) {
  platform::SetSystemColour(platform::kColourHighlight, colour);
  return Highlight() == colour;
}

/* What the plug-in cannot cope with is refused here, before the launch:
 * it expects an engine folder with et.exe and an etmain folder to write
 * the script into. */
void CheckEngineFolder(const std::string &folder) {
  if (folder.empty())
    throw CommandError(
        kExitEngineFolder,
        "the engine folder (engine general enginepath) is not set; " + SetEngineFolderHint());
  RejectFolderOutsideAnsi("the engine folder", folder, kExitEngineFolder);
  const std::string exe = os::LocalPath(folder + "et.exe");
  std::error_code error;
  if (!std::filesystem::exists(exe, error)) {
    std::string why =
        "the engine folder \"" + folder + "\" is not usable: no et.exe at \"" + exe + "\"";
    if (!os::EndsWithSeparator(folder) &&
        std::filesystem::is_directory(os::LocalPath(folder), error))
      why +=
          "; it lacks the trailing '" + std::string(1, os::PathSeparator()) + "' the plug-in needs";
    throw CommandError(kExitEngineFolder, why);
  }
  const std::string etmain = os::LocalPath(folder + "etmain");
  if (!std::filesystem::is_directory(etmain, error))
    throw CommandError(kExitEngineFolder, "the engine folder \"" + folder +
                                              "\" has no etmain folder for the launch script (\"" +
                                              etmain + "\")");
}

/* The plug-in moves the old script aside and creates the new one without
 * looking at either result, so in a folder it cannot write the game would
 * run an old script or none. A file created and removed again is the
 * plain way to ask; one of that name already there is left alone. */
void CheckScriptFolderWritable(const std::string &folder) {
  const std::string etmain = os::LocalPath(folder + "etmain\\");
  const std::string probe = etmain + "launch.cfg.wolfet-host-probe";
  std::error_code error;
  const bool there = std::filesystem::exists(probe, error);
  std::ofstream out(probe, std::ios::binary | std::ios::app);
  const bool written = static_cast<bool>(out);
  out.close();
  if (!there) std::filesystem::remove(probe, error);
  if (!written)
    throw CommandError(kExitFailure, "the launch script cannot be written in \"" + etmain +
                                         "\": etmain/ must be writable for the plug-in to write "
                                         "launch.cfg there; nothing was started");
}

struct Script {
  bool there = false;
  std::string bytes;
  std::filesystem::file_time_type written{};
};

Script ReadScript(const std::string &path) {
  Script script;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return script;
  script.written = std::filesystem::last_write_time(path, error);
  std::ifstream in(path, std::ios::binary);
  script.there = !error && static_cast<bool>(in);
  if (script.there) script.bytes.assign(std::istreambuf_iterator<char>(in), {});
  return script;
}

bool StartsWith(const std::string &text, const std::string &head) {
  return text.compare(0, head.size(), head) == 0;
}
bool EndsWith(const std::string &text, const std::string &tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

/* Empty when the script is the one this launch asked for and not the one
 * that was there before it; else what is wrong with it. */
std::string JudgeScript(const Script &before, const Script &after, const std::string &head,
                        const std::string &tail, bool whole) {
  if (!after.there) return "there is none";
  if (before.there && after.bytes == before.bytes && after.written == before.written)
    return "it is the old one, from before this launch";
  const bool asked = whole ? after.bytes == head + tail
                           : StartsWith(after.bytes, head) && EndsWith(after.bytes, tail);
  return asked ? "" : "it does not hold the lines this launch asked for";
}

void ShowScript(const std::string &path, const std::string &bytes) {
  std::cout << "launch script " << path << ":\n";
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::cout << "  " << line << "\n";
  }
}

/* The highlight colour from before a launch whose game the host stopped
 * waiting for. The plug-in puts the colour back only when a poll sees the
 * game end; after an early stop the game may still change it, and the
 * next launch would save the game's colour as the one to put back. Kept
 * beside the settings file from each launch until its game is seen to
 * end. */
class KeptColour {
 public:
  explicit KeptColour(const std::string &settings_path)
      : path_(std::filesystem::path(settings_path).replace_extension(".colour").string()) {}
  const std::string &path() const { return path_; }

  std::optional<uint32_t> Read() const {
    std::error_code error;
    if (!std::filesystem::exists(path_, error)) return std::nullopt;
    std::ifstream in(path_, std::ios::binary);
    std::string text;
    std::getline(in, text);
    char *end = nullptr;
    const unsigned long long colour = std::strtoull(text.c_str(), &end, 16);
    if (!in || text.empty() || *end != '\0' || colour > 0xFFFFFFFFull)
      throw CommandError(kExitFailure,
                         path_ +
                             " holds no highlight colour (it keeps the colour from "
                             "before a launch, such as 0x00D77800); mend or remove it");
    return static_cast<uint32_t>(colour);
  }
  bool Write(uint32_t colour) const {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X\n", colour);
    return os::SaveAtomically(path_, text) == os::Saved::kYes;
  }
  void Remove() const {
    std::error_code error;
    std::filesystem::remove(path_, error);
  }

 private:
  std::string path_;
};

/* The colour the plug-in will save as the one to put back: the kept one
 * of an earlier launch goes back first, so a colour that launch's game set
 * is not taken for the user's. Returns false when the colour could not be
 * kept for this launch. */
bool TakeColourBefore(const KeptColour &kept) {
  const std::optional<uint32_t> earlier = kept.Read();
  const uint32_t now = Highlight();
  uint32_t keep = now;
  if (earlier && *earlier != now) {
    const bool back = SetHighlight(*earlier);
    std::cerr << "note: an earlier launch stopped waiting before its game ended, and the "
                 "highlight colour is "
              << Colour(now) << ", not " << Colour(*earlier) << " from before it (" << kept.path()
              << "): "
              << (back ? "put that back before this launch\n"
                       : "it could not be put back; it stays kept there\n");
    if (!back) keep = *earlier;
  }
  const bool saved = kept.Write(keep);
  if (!saved)
    std::cerr << "note: cannot keep the highlight colour in " << kept.path()
              << "; if this run stops before the game ends, it puts the colour back itself but "
                 "cannot keep it for the next launch\n";
  return saved;
}

/* Said when the host stops waiting before the game has ended: the plug-in
 * will not see that end, so the host puts the colour back itself. */
std::string PutColourBack(uint32_t before, const KeptColour &kept, bool kept_saved) {
  const uint32_t now = Highlight();
  std::string said;
  if (now == before)
    said = "The highlight colour is as before the launch, " + Colour(before);
  else if (SetHighlight(before))
    said = "The highlight colour from before the launch, " + Colour(before) +
           ", is put back (the game had set " + Colour(now) + ")";
  else
    said = "The highlight colour from before the launch, " + Colour(before) +
           ", could not be put back (it is " + Colour(now) + ")";
  if (!kept_saved) return said;
  return said + "; it stays kept in " + kept.path() +
         ", and the next host or join puts it back first should the game change it again";
}

/* Thrown out of the poll when the user stops it. */
struct Stopped {
  const char *by;
};

}  // namespace

std::vector<unsigned char> PackServerList(const std::vector<std::string> &servers) {
  std::vector<unsigned char> list;
  for (size_t i = 0; i < servers.size(); ++i) {
    const std::string &text = servers[i];
    if (text.size() > kMaxServerText)
      throw CommandError(kExitBadArgument, "server " + std::to_string(i) + " (\"" +
                                               text.substr(0, 24) + "...\") is " +
                                               std::to_string(text.size()) +
                                               " bytes long; a server entry holds at most 255");
    RejectControlCharacters("server " + std::to_string(i), text);
    const uint16_t length = static_cast<uint16_t>(text.size());
    list.push_back(static_cast<unsigned char>(length & 0xFF));
    list.push_back(static_cast<unsigned char>(length >> 8));
    list.insert(list.end(), text.begin(), text.end());
  }
  return list;
}

int RunLaunch(Session &session, const LaunchRequest &given, LaunchOutcome *outcome) {
  LaunchRequest request = given;
  const bool from_kept_list = !request.hosting && request.servers.empty();
  if (from_kept_list) request.servers = StoredServerAddresses(session.file().path());
  RejectScriptText("the player name (--player)", request.player);
  std::vector<unsigned char> list;
  int32_t server_index = 0;
  int32_t hosting_index = 0;
  std::string tail;
  if (!request.hosting) {
    if (request.servers.empty())
      throw CommandError(kExitBadArgument, "join needs at least one server to pick from");
    if (request.pick < 0 || static_cast<size_t>(request.pick) >= request.servers.size())
      throw CommandError(kExitBadArgument, "--pick " + std::to_string(request.pick) +
                                               " names no server; give 0 to " +
                                               std::to_string(request.servers.size() - 1));
    list = PackServerList(request.servers);
    /* Only the entry picked reaches the script; the others stay the
     * plug-in's list as they are. */
    RejectScriptText(
        "server " + std::to_string(request.pick) +
            (from_kept_list ? " of the list kept in " + KeptListPath(session.file().path()) : ""),
        request.servers[request.pick]);
    tail = "connect " + request.servers[request.pick] + "\r\n";
    server_index = request.pick;
    /* One past the list: an index no server has, so the plug-in joins. */
    hosting_index = static_cast<int32_t>(request.servers.size());
  }
  const std::string folder = session.EngineFolder();
  CheckEngineFolder(folder);
  if (request.hosting) {
    const auto map = session.file().Value("multiplayer", "general", "map");
    if (!map)
      throw CommandError(kExitBadArgument,
                         "hosting needs a map: wolfet-host set multiplayer general map "
                         "'oasis - Siwa Oasis'");
    /* The file may have been edited by hand since `set` checked it. */
    const std::string name = map->substr(0, sdll::MapNameLength(map->c_str()));
    RejectScriptText("the map name of multiplayer general map in " + session.file().path(), name);
    tail = "map " + name + "\r\n";
  }
  const auto flags = session.file().ContentFlags();
  if (!flags)
    std::cerr << "note: no check has been run with " << session.file().path()
              << "; launching with content flags 0\n";
  CheckScriptFolderWritable(folder);

  session.SupplySettings();
  hostkit::Host &host = session.host();
  const std::string script_path = os::LocalPath(folder + "etmain\\launch.cfg");
  const Script script_before = ReadScript(script_path);
  const KeptColour kept(session.file().path());
  const bool kept_saved = TakeColourBefore(kept);
  const uint32_t colour_before = Highlight();
  std::cout << (request.hosting ? "hosting a game"
                                : "joining server " + std::to_string(request.pick) + " \"" +
                                      request.servers[request.pick] + "\"")
            << " as \"" << request.player << "\" (SDLL_LaunchMultiplayer)\n";
  const os::StopSignals stop_signals;
  StatusLine status;
  os::GameOutput game_output(status.live());
  host.Launch(
      hostkit::GameLaunch{flags.value_or(0), server_index, hosting_index, list, request.player});
  game_output.Started();
  const Script script = ReadScript(script_path);
  const std::string wrong =
      JudgeScript(script_before, script, "name " + request.player + "\r\n", tail, !request.hosting);
  if (!wrong.empty())
    throw CommandError(kExitFailure,
                       "the plug-in wrote no new launch script at " + script_path + " (" + wrong +
                           "), so the game it started runs an old script or none: close that "
                           "game. Stopped waiting for it. " +
                           PutColourBack(colour_before, kept, kept_saved));
  ShowScript(script_path, script.bytes);

  std::cout << "waiting for the game to end (SDLL_MultiplayerFinished every " << request.interval_ms
            << " ms)\n"
            << std::flush;
  const auto clear = [&status] { status.Clear(); };
  hostkit::GameEnd end;
  try {
    end = host.PollUntilFinished(std::chrono::milliseconds(request.interval_ms), request.timeout_s,
                                 [&](double seconds) {
                                   if (const char *by = os::StopRequested()) throw Stopped{by};
                                   game_output.Drain(clear);
                                   if (game_output.AtLineStart())
                                     status.Show("game running, " + SecondsText(seconds));
                                 });
  } catch (const Stopped &stopped) {
    throw CommandError(kExitFailure, std::string("stopped waiting for the game in \"") + folder +
                                         "\" on " + stopped.by + "; it may still be running. " +
                                         PutColourBack(colour_before, kept, kept_saved));
  }
  game_output.Drain(clear);
  status.Clear();
  game_output.EndLine();
  if (!end.ended) {
    throw CommandError(kExitFailure,
                       std::string("the game in \"") + folder + "\" is still running after " +
                           SecondsText(request.timeout_s) + "; stopped waiting for it. " +
                           PutColourBack(colour_before, kept, kept_saved));
  }
  kept.Remove();
  std::cout << "the game ended after " << SecondsText(end.seconds) << " (" << end.polls << " polls)"
            << (end.polls == 1 ? "; it ended at the first poll: did it start at all?" : "") << "\n";
  const uint32_t colour_after = Highlight();
  std::cout << "highlight colour: " << Colour(colour_after)
            << (colour_after == colour_before ? ", as before the launch\n"
                                              : ", changed from " + Colour(colour_before) + "\n");
  if (outcome != nullptr)
    *outcome = LaunchOutcome{end.polls, end.seconds, colour_before, colour_after};
  return kExitOk;
}

}  // namespace wolfet_host
