// Debian's ioq3ded (package ioquake3-server) running a game folder and map
// made here: standalone, so it wants none of Quake III's files, and with
// the package's own game code, loaded as a native library.
#ifndef TESTS_REAL_SERVER_IOQ3_SERVER_H
#define TESTS_REAL_SERVER_IOQ3_SERVER_H

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/files.h"

constexpr char kIoq3ded[] = "/usr/lib/ioquake3/ioq3ded";
constexpr char kPackagedGameCode[] = "/usr/lib/ioquake3/baseq3";

// The package's game library for this machine (qagamex86_64.so, ...);
// empty when it is not installed.
inline std::string PackagedGameLibrary() {
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(kPackagedGameCode, error))
    if (std::regex_match(entry.path().filename().string(), std::regex("qagame.*\\.so")))
      return entry.path().string();
  return "";
}

// Integers and floats as a map file holds them: little-endian, as this
// machine's are.
template <typename... Values>
void Append(std::string *bytes, Values... values) {
  for (const auto value : {values...}) {
    static_assert(sizeof value == 4, "a map's numbers are 32-bit");
    char four[4];
    std::memcpy(four, &value, 4);
    bytes->append(four, 4);
  }
}

// The least a map needs to load (BSP version 46): one shader, one plane,
// one node whose two sides are the one leaf, the world model, and the
// entities: the world and a spawn point.
inline std::string TinyMap() {
  enum { kEntities, kShaders, kPlanes, kNodes, kLeafs, kModels = 7, kLumps = 17 };
  std::vector<std::string> lumps(kLumps);
  const char entities[] =
      "{\n\"classname\" \"worldspawn\"\n}\n"
      "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"0 0 64\"\n}\n";
  lumps[kEntities].assign(entities, sizeof entities);  // its NUL too
  lumps[kShaders] = "textures/tiny";
  lumps[kShaders].resize(64, '\0');
  Append(&lumps[kShaders], 0, 1);                                             // surface, contents
  Append(&lumps[kPlanes], 0.f, 0.f, 1.f, 0.f);                                // normal, distance
  Append(&lumps[kNodes], 0, -1, -1, -512, -512, -512, 512, 512, 512);         // plane, sides, box
  Append(&lumps[kLeafs], 0, 0, -512, -512, -512, 512, 512, 512, 0, 0, 0, 0);  // cluster, area, box
  Append(&lumps[kModels], -512.f, -512.f, -512.f, 512.f, 512.f, 512.f);
  Append(&lumps[kModels], 0, 0, 0, 0);  // no surfaces, no brushes
  std::string header = "IBSP", body;
  Append(&header, 46);
  const int body_start = 8 + kLumps * 8;
  for (std::string &lump : lumps) {
    Append(&header, body_start + static_cast<int>(body.size()), static_cast<int>(lump.size()));
    lump.resize((lump.size() + 3) / 4 * 4, '\0');
    body += lump;
  }
  return header + body;
}

class Ioq3Server {
 public:
  // The game folder `game` under `dir`, with map `map`, and the server on
  // 127.0.0.1 with the cvars `settings` too.
  Ioq3Server(const std::string &dir, const std::string &game, const std::string &map,
             const std::vector<std::pair<std::string, std::string>> &settings)
      : log_(dir + "/ioq3ded.log") {
    const std::string folder = dir + "/base/" + game;
    std::filesystem::create_directories(folder + "/maps");
    std::filesystem::create_directories(dir + "/home");
    WriteFile(folder + "/maps/" + map + ".bsp", TinyMap());
    WriteFile(folder + "/default.cfg", "// the server wants one\n");
    const std::string library = PackagedGameLibrary();
    std::filesystem::create_symlink(
        library, folder + "/" + std::filesystem::path(library).filename().string());

    // A LAN server (dedicated 1) that tells no master of itself, its game
    // code the package's library, without bots: they need map files
    // (.aas) that the tiny map does not have.
    std::vector<std::pair<std::string, std::string>> all = {{"dedicated", "1"},
                                                            {"net_enabled", "1"},
                                                            {"net_ip", "127.0.0.1"},
                                                            {"sv_master1", ""},
                                                            {"fs_basepath", dir + "/base"},
                                                            {"fs_homepath", dir + "/home"},
                                                            {"com_basegame", game},
                                                            {"vm_game", "0"},
                                                            {"bot_enable", "0"}};
    all.insert(all.end(), settings.begin(), settings.end());
    std::vector<std::string> words = {kIoq3ded};
    for (const auto &[key, value] : all) words.insert(words.end(), {"+set", key, value});
    words.insert(words.end(), {"+map", map});
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int out = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int none = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // gone with the test, however it ends
      dup2(none, 0);
      dup2(out, 1);
      dup2(out, 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    ::close(out);
    ::close(none);
  }
  ~Ioq3Server() {
    if (pid_ <= 0 || Ended()) return;
    kill(pid_, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!Ended()) {
      if (std::chrono::steady_clock::now() > end) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // The port it opened (the first free one from 27960 on); 0 when it
  // ended or said nothing of it within 10 s. It answers once its map is up.
  uint16_t Port() {
    const std::regex opened("Opening IP socket: 127\\.0\\.0\\.1:([0-9]+)");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end && !Ended()) {
      const std::string said = Log();
      std::smatch port;
      if (std::regex_search(said, port, opened)) return static_cast<uint16_t>(std::stoi(port[1]));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
  }
  std::string Log() const { return ReadFile(log_); }

 private:
  bool Ended() {
    ended_ = ended_ || waitpid(pid_, nullptr, WNOHANG) != 0;
    return ended_;
  }

  std::string log_;
  pid_t pid_ = -1;
  bool ended_ = false;
};

#endif
