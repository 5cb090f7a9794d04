// fake-et: a stand-in for the game, copied into a sandbox engine folder as
// "et.exe". It does what the real game does with a launch: reads the script
// named by "+exec NAME" from etmain/NAME in its working folder, says what it
// would do with it, and keeps running until told to quit.
//
// Environment:
//   FAKE_ET_RUN_MS      run this many milliseconds (0: quit at once; negative:
//                       no limit). Default 2000.
//   (a file "quit")     appearing in the working folder ends the game at once
//                       (looked for every 10 ms) and is removed.
//   FAKE_ET_RECORD      write the report to this file (whole, by rename) instead
//                       of standard output: working folder, arguments, then
//                       what the script asks for, one "key: value" a line.
//   FAKE_ET_SET_COLOUR  set the desktop highlight colour to this value at
//                       start, through the plug-in's own platform layer.
//   FAKE_ET_EXIT_CODE   exit with this code (default 0).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

std::string Env(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Writes `text` to `path` whole: a reader sees the old file or the new one.
void ReplaceFile(const std::string &path, const std::string &text) {
  const std::string temporary =
      path + ".tmp." + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  std::ofstream(temporary, std::ios::binary) << text;
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error) fs::remove(temporary, error);
}

std::string Report(int argc, char **argv) {
  std::ostringstream out;
  std::error_code error;
  out << "cwd: " << fs::current_path(error).string() << '\n';
  std::string script;
  for (int i = 1; i < argc; ++i) {
    out << "arg: " << argv[i] << '\n';
    if (std::string(argv[i]) == "+exec" && i + 1 < argc) script = argv[i + 1];
  }
  if (script.empty()) return out.str() + "script: none\n";
  std::ifstream in("etmain/" + script, std::ios::binary);
  if (!in) return out.str() + "script: etmain/" + script + " not found\n";
  out << "script: etmain/" << script << '\n';
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t blank = line.find(' ');
    const std::string command = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
    if (command == "name")
      out << "player name: " << rest << '\n';
    else if (command == "g_gametype")
      out << "game type: " << rest << '\n';
    else if (command == "map")
      out << "map: " << rest << '\n';
    else if (command == "connect")
      out << "connect to: " << rest << '\n';
    else if (line == "set sv_wwwDownload 1")
      out << "download: on\n";
    else if (line.rfind("set sv_hostname ", 0) == 0)
      out << "server name: " << line.substr(16) << '\n';
    else
      out << "unknown: " << line << '\n';
  }
  return out.str();
}

}  // namespace

int main(int argc, char **argv) {
  if (!Env("FAKE_ET_SET_COLOUR").empty())
    platform::SetSystemColour(platform::kColourHighlight,
                              std::strtoul(Env("FAKE_ET_SET_COLOUR").c_str(), nullptr, 0));

  const std::string report = Report(argc, argv);
  const std::string record = Env("FAKE_ET_RECORD");
  if (record.empty()) {
    std::cout << report << std::flush;
  } else {
    ReplaceFile(record, report);
  }

  const long run_ms =
      Env("FAKE_ET_RUN_MS").empty() ? 2000 : std::atol(Env("FAKE_ET_RUN_MS").c_str());
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(run_ms);
  while (run_ms < 0 || std::chrono::steady_clock::now() < end) {
    if (std::remove("quit") == 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return Env("FAKE_ET_EXIT_CODE").empty() ? 0 : std::atoi(Env("FAKE_ET_EXIT_CODE").c_str());
}
