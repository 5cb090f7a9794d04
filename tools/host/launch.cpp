// host and join: the launch as the launcher makes it, then the poll for
// the game's end (commands/host.cpp and commands/join.cpp call it).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "commands.h"
#include "console.h"
#include "exit_codes.h"
#include "os.h"
#include "platform/platform.h"
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
  if (!std::filesystem::exists(exe, error))
    throw CommandError(kExitEngineFolder, "the engine folder \"" + folder +
                                              "\" is not usable: no et.exe at \"" + exe + "\"");
  const std::string etmain = os::LocalPath(folder + "etmain");
  if (!std::filesystem::is_directory(etmain, error))
    throw CommandError(kExitEngineFolder, "the engine folder \"" + folder +
                                              "\" has no etmain folder for the launch script (\"" +
                                              etmain + "\")");
}

void ShowScript(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cout << "the plug-in wrote no launch script at " << path << "\n";
    return;
  }
  std::cout << "launch script " << path << ":\n";
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::cout << "  " << line << "\n";
  }
}

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
  if (!request.hosting && request.servers.empty())
    request.servers = StoredServerAddresses(session.file().path());
  RejectControlCharacters("the player name", request.player);
  std::vector<unsigned char> list;
  int32_t server_index = 0;
  int32_t hosting_index = 0;
  if (!request.hosting) {
    if (request.servers.empty())
      throw CommandError(kExitBadArgument, "join needs at least one server to pick from");
    if (request.pick < 0 || static_cast<size_t>(request.pick) >= request.servers.size())
      throw CommandError(kExitBadArgument, "--pick " + std::to_string(request.pick) +
                                               " names no server; give 0 to " +
                                               std::to_string(request.servers.size() - 1));
    list = PackServerList(request.servers);
    server_index = request.pick;
    /* One past the list: an index no server has, so the plug-in joins. */
    hosting_index = static_cast<int32_t>(request.servers.size());
  }
  const std::string folder = session.EngineFolder();
  CheckEngineFolder(folder);
  if (request.hosting && !session.file().Value("multiplayer", "general", "map"))
    throw CommandError(kExitBadArgument,
                       "hosting needs a map: wolfet-host set multiplayer general map "
                       "'oasis - Siwa Oasis'");
  const auto flags = session.file().ContentFlags();
  if (!flags)
    std::cerr << "note: no check has been run with " << session.file().path()
              << "; launching with content flags 0\n";

  session.SupplySettings();
  hostkit::Host &host = session.host();
  const uint32_t colour_before = platform::GetSystemColour(platform::kColourHighlight);
  std::cout << (request.hosting ? "hosting a game"
                                : "joining server " + std::to_string(request.pick) + " \"" +
                                      request.servers[request.pick] + "\"")
            << " as \"" << request.player << "\" (SDLL_LaunchMultiplayer)\n";
  host.Launch(
      hostkit::GameLaunch{flags.value_or(0), server_index, hosting_index, list, request.player});
  ShowScript(os::LocalPath(folder + "etmain\\launch.cfg"));

  std::cout << "waiting for the game to end (SDLL_MultiplayerFinished every " << request.interval_ms
            << " ms)\n"
            << std::flush;
  StatusLine status;
  char text[64];
  const hostkit::GameEnd end = host.PollUntilFinished(
      std::chrono::milliseconds(request.interval_ms), request.timeout_s, [&](double seconds) {
        std::snprintf(text, sizeof text, "game running, %.1f s", seconds);
        status.Show(text);
      });
  status.Clear();
  if (!end.ended) {
    std::snprintf(text, sizeof text, "%.1f s", request.timeout_s);
    throw CommandError(kExitFailure, std::string("the game in \"") + folder +
                                         "\" is still running after " + text +
                                         "; stopped waiting for it");
  }
  std::snprintf(text, sizeof text, "%.1f s", end.seconds);
  std::cout << "the game ended after " << text << " (" << end.polls << " polls)"
            << (end.polls == 1 ? "; it ended at the first poll: did it start at all?" : "") << "\n";
  const uint32_t colour_after = platform::GetSystemColour(platform::kColourHighlight);
  std::cout << "highlight colour: " << Colour(colour_after)
            << (colour_after == colour_before ? ", as before the launch\n"
                                              : ", changed from " + Colour(colour_before) + "\n");
  if (outcome != nullptr)
    *outcome = LaunchOutcome{end.polls, end.seconds, colour_before, colour_after};
  return kExitOk;
}

}  // namespace wolfet_host
