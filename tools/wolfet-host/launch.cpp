#include "launch.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "console.h"
#include "engine_folder.h"
#include "error.h"
#include "host_files.h"
#include "launch/launch.h"
#include "os.h"
#include "platform/platform.h"
#include "servers/favourites.h"
#include "servers/protocol.h"
#include "validate.h"

namespace wolfet_host {
namespace {

/* The plug-in copies a picked entry into a 256-byte buffer with its NUL. */
constexpr size_t kMaxServerText = 255;
/* More than any launch script takes: five short lines. */
constexpr size_t kScriptRoom = 4096;

uint32_t Highlight() { return platform::GetSystemColour(platform::kColourHighlight); }

/* The platform layer reports nothing, so the colour is read back. */
bool SetHighlight(uint32_t colour) {
  platform::SetSystemColour(platform::kColourHighlight, colour);
  return Highlight() == colour;
}

/* What the plug-in is asked for, and the last line of the script it must
 * write for it. */
struct Plan {
  std::string folder;
  std::vector<unsigned char> list;
  int32_t server_index = 0, hosting_index = 0;
  std::string last_line;
  std::string what; /* "hosting a game", "joining server 2 ..." */
};

Plan PlanJoin(const LaunchRequest &request) {
  if (request.servers.empty())
    throw Error(Fault::kBadInput, "join needs at least one server to pick from");
  if (request.pick < 0 || static_cast<size_t>(request.pick) >= request.servers.size())
    throw Error(Fault::kBadInput, "--pick " + std::to_string(request.pick) +
                                      " names no server; give 0 to " +
                                      std::to_string(request.servers.size() - 1));
  Plan plan;
  plan.list = PackServerList(request.servers);
  const std::string &server = request.servers[request.pick];
  const std::string from = request.servers_from.empty() ? "" : " of " + request.servers_from;
  /* Only the entry picked reaches the script, which takes it unquoted. */
  RejectScriptText("server " + std::to_string(request.pick) + from, server);
  /* An address the game can connect to, read as `info` reads one; the
   * others the plug-in only carries. */
  std::string why;
  if (!ParseServerAddress(server, &why))
    throw Error(Fault::kBadInput,
                "server " + std::to_string(request.pick) + from + " \"" + server + "\" " + why);
  plan.last_line = "connect " + server + "\r\n";
  plan.server_index = request.pick;
  /* One past the list: an index no server has, so the plug-in joins. */
  plan.hosting_index = static_cast<int32_t>(request.servers.size());
  plan.what = "joining server " + std::to_string(request.pick) + " \"" + server + "\"";
  return plan;
}

void PlanHost(Session &session, Plan *plan) {
  const auto map = session.file().Value("multiplayer", "general", "map");
  if (!map)
    throw Error(
        Fault::kBadInput,
        "hosting needs a map: wolfet-host set multiplayer general map 'oasis - Siwa Oasis'");
  /* The file may have been edited by hand since `set` checked it. */
  const std::string name = map->substr(0, sdll::MapNameLength(map->c_str()));
  RejectScriptText("the map name of multiplayer general map in " + session.file().path(), name);
  plan->last_line = "map " + name + "\r\n";
  plan->what = "hosting a game";
}

/* The plug-in moves the old script aside and creates the new one without
 * looking at either result, so whatever would make either fail is looked
 * for first: the game would run an old script or none, and the old one
 * could be lost. */
void CheckScriptFolder(const std::string &folder) {
  const std::string etmain = os::LocalPath(folder + "etmain");
  /* A file created, filled and removed again is the plain way to ask for
   * both the right to write and the room. */
  const std::string refused = os::TryWriteIn(etmain, kScriptRoom);
  if (!refused.empty())
    throw Error(Fault::kFile, "the launch script cannot be written in \"" + etmain + "\" (" +
                                  refused +
                                  "): etmain/ must be writable, with room, for the plug-in to "
                                  "write launch.cfg there; nothing was started");
}

std::string Kind(const std::string &path, std::filesystem::file_status status) {
  if (std::filesystem::is_symlink(status)) return "a link";
  const std::string kind = os::KindOf(path);
  return kind.empty() ? "no regular file" : kind;
}

void CheckScriptFiles(const std::string &folder) {
  namespace fs = std::filesystem;
  const std::string script = os::LocalPath(folder + "etmain\\launch.cfg");
  const std::string backup = script + ".bak";
  std::error_code error;
  const fs::file_status status = fs::symlink_status(script, error);
  if (!fs::exists(status)) return;
  if (!fs::is_regular_file(status))
    throw Error(Fault::kFile, "\"" + script + "\" is " + Kind(script, status) +
                                  ": the plug-in would write the launch script into what it "
                                  "names or fail to; make it a file of its own or remove it; "
                                  "nothing was started");
  /* The old script is moved to the backup's name; what stands there
   * must be a file the plug-in can delete first. */
  const fs::file_status kept = fs::symlink_status(backup, error);
  const bool read_only = fs::is_regular_file(kept) &&
                         (kept.permissions() & (fs::perms::owner_write | fs::perms::group_write |
                                                fs::perms::others_write)) == fs::perms::none;
  if (fs::exists(kept) && (!fs::is_regular_file(kept) || read_only))
    throw Error(Fault::kFile, "the backup of the launch script, \"" + backup + "\", is " +
                                  (read_only ? std::string("read-only") : Kind(backup, kept)) +
                                  ": the plug-in could not move the old script aside and would "
                                  "write over it; move it away; nothing was started");
}

/* Everything checked before the plug-in is called, so that a refusal
 * starts nothing. */
/* A script in the game's home folder wins over the new one: the game
 * would run a stale script while the host shows the new one. */
void CheckShadowing(bool force, LaunchWatcher &watcher) {
  const std::vector<std::string> shadows = ShadowingScripts();
  if (shadows.empty()) return;
  std::string named;
  for (const std::string &path : shadows) named += (named.empty() ? "\"" : ", \"") + path + "\"";
  const std::string what = named + (shadows.size() == 1 ? " is" : " are") +
                           " in the game's home folder, where the game looks first: it would run " +
                           (shadows.size() == 1 ? "that script" : "those scripts") +
                           " and not the one the plug-in writes";
  if (!force)
    throw Error(Fault::kBadInput,
                what +
                    "; move it away (the host deletes nothing of yours), or give --force to "
                    "launch all the same; nothing was started");
  watcher.Note(what + "; launching all the same (--force)");
}

Plan PlanLaunch(Session &session, const LaunchRequest &request, LaunchWatcher &watcher) {
  RejectScriptText("the player name (--player)", request.player);
  /* ET: Legacy and ioquake3 keep a name whole; the original engine reads
   * a cvar's value only up to the first blank unless it is quoted, and
   * the plug-in writes it unquoted. */
  if (request.player.find(' ') != std::string::npos)
    watcher.Note("the player name \"" + request.player +
                 "\" holds a space: the original Wolf ET keeps only its first word (\"" +
                 request.player.substr(0, request.player.find(' ')) +
                 "\"); ET: Legacy keeps it whole");
  CheckShadowing(request.force, watcher);
  Plan plan = request.hosting ? Plan{} : PlanJoin(request);
  plan.folder = session.EngineFolder();
  DiagnoseEngineFolder(plan.folder, FolderUse::kLaunch);
  if (request.hosting) PlanHost(session, &plan);
  CheckScriptFiles(plan.folder);
  CheckScriptFolder(plan.folder);
  return plan;
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
 * that was there before it; else what is wrong with it. A joined game's
 * script is those two lines exactly; a hosted game's has the game's
 * settings between them. */
std::string JudgeScript(const Script &before, const Script &after, const std::string &head,
                        const std::string &tail, bool whole) {
  if (!after.there) return "there is none";
  if (before.there && after.bytes == before.bytes && after.written == before.written)
    return "it is the old one, from before this launch";
  const bool asked = whole ? after.bytes == head + tail
                           : StartsWith(after.bytes, head) && EndsWith(after.bytes, tail);
  if (asked) return "";
  if (after.bytes.empty() || StartsWith(head + tail, after.bytes) || StartsWith(head, after.bytes))
    return "it was cut short: is the disk full?";
  return "it does not hold the lines this launch asked for";
}

/* The highlight colour from before a launch whose game the host stopped
 * waiting for. The plug-in puts the colour back only when a poll sees the
 * game end; after an early stop the game may still change it, and the
 * next launch would save the game's colour as the one to put back. Kept
 * in the host's files from each launch until its game is seen to end. */
class KeptColour {
 public:
  explicit KeptColour(const HostFiles &files) : files_(files) {}
  const std::string &path() const { return files_.colour; }

  std::optional<uint32_t> Read() const {
    const std::string fix =
        "it keeps the colour from before a launch, such as 0x00D77800; mend "
        "or remove it";
    const std::optional<std::string> text =
        ReadHostFile(path(), kMaxColourBytes, "kept colour", Fault::kFile, Fault::kFile, fix);
    if (!text) return std::nullopt;
    const std::optional<uint32_t> colour = ReadKeptColour(*text);
    if (!colour) throw Error(Fault::kFile, path() + " holds no highlight colour (" + fix + ")");
    return colour;
  }
  bool Write(uint32_t colour) const {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X\n", colour);
    try {
      WriteHostFile(files_, path(), text, "kept colour");
      return true;
    } catch (const Error &) {
      return false;
    }
  }
  void Remove() const {
    std::error_code error;
    std::filesystem::remove(path(), error);
  }

 private:
  HostFiles files_;
};

/* The colour around one launch: the one the plug-in will save as the one
 * to put back, kept for the next launch should this one stop waiting
 * before its game ends. */
class ColourGuard {
 public:
  ColourGuard(const HostFiles &files, LaunchWatcher &watcher) : kept_(files) {
    TakeBefore(watcher);
    before_ = Highlight();
  }
  uint32_t before() const { return before_; }

  /* The game was seen to end: the plug-in put the colour back. */
  void Ended() const { kept_.Remove(); }

  /* Said when the host stops waiting before the game has ended: the
   * plug-in will not see that end, so the host puts the colour back. */
  std::string PutBack() const {
    const uint32_t now = Highlight();
    std::string said;
    if (now == before_)
      said = "The highlight colour is as before the launch, " + ColourText(before_);
    else if (SetHighlight(before_))
      said = "The highlight colour from before the launch, " + ColourText(before_) +
             ", is put back (the game had set " + ColourText(now) + ")";
    else
      said = "The highlight colour from before the launch, " + ColourText(before_) +
             ", could not be put back (it is " + ColourText(now) + ")";
    if (!saved_) return said;
    return said + "; it stays kept in " + kept_.path() +
           ", and the next host or join puts it back first should the game change it again";
  }

 private:
  /* The kept colour of an earlier launch goes back first, so a colour
   * that launch's game set is not taken for the user's. */
  void TakeBefore(LaunchWatcher &watcher) {
    const std::optional<uint32_t> earlier = kept_.Read();
    const uint32_t now = Highlight();
    uint32_t keep = now;
    if (earlier && *earlier != now) {
      const bool back = SetHighlight(*earlier);
      watcher.Note(
          "an earlier launch stopped waiting before its game ended, and the highlight colour "
          "is " +
          ColourText(now) + ", not " + ColourText(*earlier) + " from before it (" + kept_.path() +
          "): " +
          (back ? "put that back before this launch"
                : "it could not be put back; it stays kept there"));
      if (!back) keep = *earlier;
    }
    saved_ = kept_.Write(keep);
    if (!saved_)
      watcher.Note("cannot keep the highlight colour in " + kept_.path() +
                   "; if this run stops before the game ends, it puts the colour back itself but "
                   "cannot keep it for the next launch");
  }

  KeptColour kept_;
  bool saved_ = false;
  uint32_t before_ = 0;
};

/* Polls until the game ends; a stop or the time limit ends the wait with
 * the colour put back. */
hostkit::GameEnd AwaitEnd(Session &session, const LaunchRequest &request, const Plan &plan,
                          const ColourGuard &colour, LaunchWatcher &watcher) {
  const char *stopped_by = nullptr;
  const hostkit::GameEnd end = session.host().PollUntilFinished(
      std::chrono::milliseconds(request.interval_ms), request.timeout_s, [&](double seconds) {
        stopped_by = watcher.Running(seconds);
        return stopped_by == nullptr;
      });
  if (stopped_by != nullptr)
    throw Error(Fault::kWait, std::string("stopped waiting for the game in \"") + plan.folder +
                                  "\" on " + stopped_by + "; it may still be running. " +
                                  colour.PutBack());
  if (!end.ended)
    throw Error(Fault::kWait, "the game in \"" + plan.folder + "\" is still running after " +
                                  SecondsText(end.seconds) + "; stopped waiting for it. " +
                                  colour.PutBack());
  return end;
}

}  // namespace

std::optional<uint32_t> ReadKeptColour(const std::string &text) {
  /* Hex digits alone: no sign, blank or NUL is taken for part of a colour. */
  std::string_view line(text.data(), std::min(text.find('\n'), text.size()));
  if (line.size() > 1 && line[0] == '0' && (line[1] == 'x' || line[1] == 'X'))
    line.remove_prefix(2);
  uint32_t colour = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), colour, 16);
  if (line.empty() || error != std::errc() || end != line.data() + line.size()) return std::nullopt;
  return colour;
}

std::string ColourText(uint32_t bgr) {
  char text[48];
  std::snprintf(text, sizeof text, "0x%08X (#%02X%02X%02X)", bgr, bgr & 0xFF, (bgr >> 8) & 0xFF,
                (bgr >> 16) & 0xFF);
  return text;
}

std::vector<std::string> ShadowingScripts() {
  std::vector<std::string> found;
  for (const std::string &home : os::GameHomeFolders()) {
    const std::string script =
        home + os::PathSeparator() + "etmain" + os::PathSeparator() + "launch.cfg";
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(script, error)))
      found.push_back(script);
  }
  return found;
}

std::vector<unsigned char> PackServerList(const std::vector<std::string> &servers) {
  std::vector<unsigned char> list;
  for (size_t i = 0; i < servers.size(); ++i) {
    const std::string &text = servers[i];
    if (text.size() > kMaxServerText)
      throw Error(Fault::kBadInput, "server " + std::to_string(i) + " (\"" + text.substr(0, 24) +
                                        "...\") is " + std::to_string(text.size()) +
                                        " bytes long; a server entry holds at most 255");
    RejectControlCharacters("server " + std::to_string(i), text);
    const uint16_t length = static_cast<uint16_t>(text.size());
    list.push_back(static_cast<unsigned char>(length & 0xFF));
    list.push_back(static_cast<unsigned char>(length >> 8));
    list.insert(list.end(), text.begin(), text.end());
  }
  return list;
}

LaunchOutcome Launch(Session &session, const LaunchRequest &request, LaunchWatcher &watcher) {
  const Plan plan = PlanLaunch(session, request, watcher);
  const auto flags = session.file().ContentFlags();
  if (!flags)
    watcher.Note("no check has been run with " + session.file().path() +
                 "; launching with content flags 0");
  const std::string script_path = os::LocalPath(plan.folder + "etmain\\launch.cfg");
  const Script before = ReadScript(script_path);
  const ColourGuard colour(session.file().files(), watcher);
  watcher.Starting(plan.what + " as \"" + request.player + "\"");
  session.Launch(hostkit::GameLaunch{flags.value_or(0), plan.server_index, plan.hosting_index,
                                     plan.list, request.player});
  watcher.Launched();
  const Script after = ReadScript(script_path);
  const std::string wrong = JudgeScript(before, after, "name " + request.player + "\r\n",
                                        plan.last_line, !request.hosting);
  if (!wrong.empty())
    throw Error(Fault::kWait, "the plug-in wrote no new launch script at " + script_path + " (" +
                                  wrong +
                                  "), so the game it started runs an old script or none: close "
                                  "that game. Stopped waiting for it. " +
                                  colour.PutBack());
  watcher.Started(script_path, after.bytes);
  /* A game joined is one to find again; that the list of them cannot be
   * kept stops nothing. */
  if (!request.hosting) try {
      NoteJoined(session.file().files(), request.servers[plan.server_index], request.server_name);
    } catch (const Error &e) {
      watcher.Note(std::string("the server is not kept among those joined lately: ") + e.what());
    }
  const hostkit::GameEnd end = AwaitEnd(session, request, plan, colour, watcher);
  colour.Ended();
  return LaunchOutcome{end.polls, end.seconds, colour.before(), Highlight()};
}

}  // namespace wolfet_host
