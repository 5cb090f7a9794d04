// Calls each export of the loaded plug-in N times in a row, then checks
// that the process holds no more descriptors and no more children than it
// started with. Run under valgrind memcheck by ctest; any leak, invalid
// access or leftover makes it fail.
//
//   sdll_repeat_exports PLUGIN N [GAME]
//
// The launches go to an engine folder without et.exe, so no process is
// started; with GAME (the stand-in game), every thousandth launch goes to a
// folder that has it and is polled until the game has ended.
#include <errno.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host.h"

namespace {

namespace fs = std::filesystem;

size_t Descriptors() {
  return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

bool NoChildren() {
  errno = 0;
  return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

int Fail(const std::string &what) {
  std::fprintf(stderr, "sdll_repeat_exports: %s\n", what.c_str());
  return 1;
}

int Run(const char *plugin, long n, const std::string &game, const std::string &root) {
  const std::string missing = root + "/missing/";  // etmain, no et.exe
  const std::string engine = root + "/engine/";    // etmain and the game
  fs::create_directories(missing + "etmain");
  if (!game.empty()) {
    fs::create_directories(engine + "etmain");
    fs::copy_file(game, engine + "et.exe");
  }
  std::vector<unsigned char> list = {5, 0, 'a', ':', '2', '7', '9', 0, 0, 3, 0, 'b', ' ', 'c'};

  hostkit::Host host;
  std::string error;
  if (!host.Load(plugin, &error)) return Fail(error);
  hostkit::Settings &settings = host.settings();
  auto set_engine = [&](const std::string &folder) {
    settings.SetUtf8(hostkit::Page::kEngine, "general", "enginepath", folder);
  };
  settings.SetUtf8(hostkit::Page::kMultiplayer, "general", "map", "oasis - Siwa Oasis");
  settings.SetUtf8(hostkit::Page::kMultiplayer, "general", "allowdownload", "1");
  const hostkit::Exports &p = host.plugin();

  for (long i = 0; i < n; ++i)
    p.InitCall(static_cast<uint32_t>(i % 30), hostkit::ServiceFor(static_cast<uint32_t>(i % 25)));
  if (host.Start() != 0) return Fail("SDLL_Init did not answer 0");
  char name[16];
  uint16_t code = 0;
  for (long i = 0; i < n; ++i)
    if (p.Init(0x5EED, name, &code) != 0 || std::strcmp(name, "Wolf ET") != 0 || code != 29)
      return Fail("SDLL_Init answered differently at call " + std::to_string(i));
  for (long i = 0; i < n; ++i) {
    if (p.LoadConfiguration() != 0) return Fail("SDLL_LoadConfiguration failed");
    host.ClearCalls();
  }
  set_engine(missing);
  for (long i = 0; i < n; ++i) {
    if (i % 2 == 0) settings.Erase(hostkit::Page::kEngine, "general", "enginepath");
    if (i % 2 == 1) set_engine(i % 4 == 1 || game.empty() ? missing : engine);
    p.EngineConfig();
    host.ClearCalls();
  }
  set_engine(missing);
  for (long i = 0; i < n; ++i) {
    p.Verification(i % 2 == 0 ? 0x4000u : 0u);
    host.ClearCalls();
  }
  for (long i = 0; i < n; ++i) {
    const bool real = !game.empty() && i % 1000 == 999;
    set_engine(real ? engine : missing);
    settings.SetInteger(hostkit::Page::kMultiplayer, "general", "type",
                        static_cast<int32_t>(i % 5));
    // Hosting, joining the first or the second entry, joining with no list.
    const int32_t index = static_cast<int32_t>(i % 4) - 1;
    p.LaunchMultiplayer(0x4000, index, 0, 0, i % 8 == 7 ? nullptr : list.data(),
                        i % 16 == 15 ? nullptr : "Player");
    if (real)
      while (p.MultiplayerFinished() == 0) usleep(1000);
    host.ClearCalls();
  }
  for (long i = 0; i < n; ++i)
    if (p.MultiplayerFinished() != 1) return Fail("a poll with no game running answered 0");
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) return Fail("usage: sdll_repeat_exports PLUGIN N [GAME]");
  const long n = std::strtol(argv[2], nullptr, 10);
  const std::string game = argc > 3 ? argv[3] : "";
  char pattern[] = "/tmp/sdll-repeat-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return Fail("no temporary folder");
  const std::string root = pattern;
  setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
  setenv("FAKE_ET_RUN_MS", "0", 1);
  setenv("FAKE_ET_RECORD", (root + "/record").c_str(), 1);

  const size_t descriptors = Descriptors();
  int result = Run(argv[1], n, game, root);
  if (result == 0 && !NoChildren()) result = Fail("a game was left unreaped");
  if (result == 0 && Descriptors() != descriptors)
    result = Fail("descriptors: " + std::to_string(descriptors) + " before, " +
                  std::to_string(Descriptors()) + " after");
  fs::remove_all(root);
  return result;
}
