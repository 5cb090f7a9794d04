// Calls each export of the loaded plug-in N times in a row, then checks
// that the process holds no more descriptors and no more children than it
// started with. ctest runs it plainly and under valgrind memcheck, where
// any leak or invalid access fails it too.
//
//   sdll_repeat_exports PLUGIN N [GAME]
//
// Launches go to an engine folder without et.exe, so nothing starts; with GAME (the stand-in game),
// every thousandth goes to a folder that has it and is polled until the game has ended. Exit
// status: 0 clean, 4 a game left unreaped, 5 a descriptor kept, 10-13 an export failed or
// misanswered.
#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "../support/files.h"
#include "host.h"

using hostkit::Page;

static int Run(const char *plugin, long n, const std::string &game, const std::string &root) {
  const std::string missing = MakeEngine(root, "missing", "");
  std::filesystem::remove(missing + "et.exe");
  const std::string engine = game.empty() ? missing : MakeEngine(root, "engine", game);
  const std::vector<unsigned char> list = PackList({{5, "a:279"}, {0, ""}, {3, "b c"}});
  hostkit::Host host;
  std::string error;
  if (!host.Load(plugin, &error)) return 10;
  hostkit::Settings &settings = host.settings();
  settings.SetUtf8(Page::kMultiplayer, "general", "map", "oasis - Siwa Oasis");
  settings.SetUtf8(Page::kMultiplayer, "general", "allowdownload", "1");
  const hostkit::Exports &p = host.plugin();
  for (long i = 0; i < n; ++i)
    p.InitCall(static_cast<uint32_t>(i % 30), hostkit::ServiceFor(static_cast<uint32_t>(i % 25)));
  char name[16];
  uint16_t code = 0;
  for (long i = 0; i < n; ++i)
    if (host.Start() != 0 || p.Init(0x5EED, name, &code) != 0 || std::strcmp(name, "Wolf ET") != 0)
      return 11;
  for (long i = 0; i < n; ++i, host.ClearCalls())
    if (p.LoadConfiguration() != 0) return 12;
  for (long i = 0; i < n; ++i, host.ClearCalls()) {
    if (i % 2 == 0) settings.Erase(Page::kEngine, "general", "enginepath");
    if (i % 2 == 1)
      settings.SetUtf8(Page::kEngine, "general", "enginepath", i % 4 == 1 ? missing : engine);
    p.EngineConfig();
    p.Verification(i % 3 == 0 ? 0x4000u : 0u);
  }
  for (long i = 0; i < n; ++i, host.ClearCalls()) {
    const bool real = !game.empty() && i % 1000 == 999;
    settings.SetUtf8(Page::kEngine, "general", "enginepath", real ? engine : missing);
    settings.SetInteger(Page::kMultiplayer, "general", "type", static_cast<int32_t>(i % 5));
    // Hosting, joining the first or the second entry, joining with no list.
    p.LaunchMultiplayer(0x4000, static_cast<int32_t>(i % 4) - 1, 0, 0,
                        i % 8 == 7 ? nullptr : list.data(), i % 16 == 15 ? nullptr : "Player");
    while (real && p.MultiplayerFinished() == 0) usleep(1000);
  }
  for (long i = 0; i < n; ++i)
    if (p.MultiplayerFinished() != 1) return 13;
  return 0;
}

int main(int argc, char **argv) {
  const std::string root = argc < 3 ? std::string() : MakeScratch();
  if (root.empty()) return 2;
  setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
  setenv("FAKE_ET_RUN_MS", "0", 1);
  setenv("FAKE_ET_RECORD", (root + "/record").c_str(), 1);
  const size_t descriptors = CountDescriptors();
  int result = Run(argv[1], std::strtol(argv[2], nullptr, 10), argc > 3 ? argv[3] : "", root);
  errno = 0;
  if (result == 0 && (waitpid(-1, nullptr, WNOHANG) != -1 || errno != ECHILD)) result = 4;
  if (result == 0 && CountDescriptors() != descriptors) result = 5;
  std::filesystem::remove_all(root);
  if (result != 0) fprintf(stderr, "sdll_repeat_exports: failed, code %d\n", result);
  return result;
}
