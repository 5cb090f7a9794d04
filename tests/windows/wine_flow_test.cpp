// The Windows DLL through the Win32 layer, under Wine: the host kit loads
// the x86_64 build with LoadLibraryA, and the stand-in game, copied into a
// sandbox engine folder as et.exe, is started by ShellExecuteExA.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/loaded_plugin.h"
#if defined(__i386__)
#include "windows/stack_check.h"
#endif

namespace {

// A build path as Windows sees it: Wine maps the Linux root to Z:.
std::string Native(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

void SetHighlight(COLORREF colour) {
  const INT element = COLOR_HIGHLIGHT;
  SetSysColors(1, &element, &colour);
}

class WineFlow : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    // Wine hands out the same few process ids again and again.
    engine = std::string(temp) + "wolfet-wine-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(GetTickCount64()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(engine.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((engine + "etmain").c_str(), nullptr));
    SetEngine("general", "enginepath", engine);
  }

  void TearDown() override {
    // The ended game's process may still hold its working folder a moment.
    std::error_code failed;
    for (int tries = 0; tries < 100; ++tries) {
      std::filesystem::remove_all(engine, failed);
      if (!failed) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (failed) fprintf(stderr, "cannot remove %s: %s\n", engine.c_str(), failed.message().c_str());
  }

  void InstallGame() {
    ASSERT_TRUE(CopyFileA(Native(SDLL_FAKE_GAME_PATH).c_str(), (engine + "et.exe").c_str(), FALSE));
  }

  // The stand-in game writes its report once it has read the script. (On
  // the emulated machine the file has once been seen before its bytes.)
  std::string AwaitRecord() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string record;
    while ((record = ReadFile(engine + "record")).empty() &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return record;
  }

  void ReportTo(const std::string &name, int run_ms) {
    SetEnvironmentVariableA("FAKE_ET_RUN_MS", std::to_string(run_ms).c_str());
    SetEnvironmentVariableA("FAKE_ET_RECORD", (engine + name).c_str());
  }

  bool PollUntilEnded() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline)
      if (plugin().MultiplayerFinished() == 1) return true;
    return false;
  }

  std::string engine;
};

TEST_F(WineFlow, SchemaEngineCheckAndVerificationGoThroughTheWin32Calls) {
  // The schema comes out of the DLL's resource section byte for byte.
  EXPECT_EQ(plugin().LoadConfiguration(), 0);
  EXPECT_EQ(host.schema(), ReadFile(Native(SDLL_SCHEMA_FILE)));

  // No et.exe: the warning, then "not usable".
  EXPECT_EQ(plugin().EngineConfig(), 1);
  EXPECT_EQ(host.CallsTo("HostMessageBox").size(), 1u);
  EXPECT_EQ(host.engine_valid(), 0);

  // FindFirstFileA finds it once it is there; a folder of that name counts.
  InstallGame();
  host.ClearCalls();
  EXPECT_EQ(plugin().EngineConfig(), 0);
  EXPECT_TRUE(host.CallsTo("HostMessageBox").empty());
  EXPECT_EQ(host.content_flags(), 0x4000u);
  EXPECT_EQ(host.engine_valid(), 1);
  ASSERT_TRUE(DeleteFileA((engine + "et.exe").c_str()));
  ASSERT_TRUE(CreateDirectoryA((engine + "et.exe").c_str(), nullptr));
  EXPECT_EQ(plugin().EngineConfig(), 0);
  RemoveDirectoryA((engine + "et.exe").c_str());

  plugin().Verification(0x4000);
  ASSERT_EQ(host.verify_files().size(), 2u);
  EXPECT_EQ(host.verify_files()[0], (std::pair<std::string, std::string>{engine, "et.exe"}));
  EXPECT_EQ(host.verify_files()[1], (std::pair<std::string, std::string>{engine, "pak0.pk3"}));
}

TEST_F(WineFlow, HostedLaunchWritesCrLfStartsTheGameAndItsEndRestoresTheColour) {
  InstallGame();
  SetGame("general", "type", "0");
  SetGame("general", "allowdownload", "1");
  SetGame("general", "map", "oasis - Siwa Oasis");
  WriteFile(engine + "etmain\\launch.cfg", "name Old\r\n");
  SetEnvironmentVariableA("FAKE_ET_RUN_MS", "-1");
  SetEnvironmentVariableA("FAKE_ET_RECORD", (engine + "record").c_str());
  SetHighlight(RGB(0x12, 0x34, 0x56));

  plugin().LaunchMultiplayer(0x4000, 3, 3, 0, nullptr, "Player One");

  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg"),
            "name Player One\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
            "set sv_hostname ^1Orvanta Server\r\nmap oasis\r\n");
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg.bak"), "name Old\r\n");

  // The game runs in the engine folder with the fixed command line.
  const std::string record = AwaitRecord();
  std::string folder = engine.substr(0, engine.size() - 1);
  EXPECT_EQ(record.substr(0, record.find("script:")),
            "cwd: " + folder + "\narg: +exec\narg: launch.cfg\n");
  EXPECT_NE(record.find("map: oasis"), std::string::npos) << record;

  // Running: 0, and a colour set meanwhile stays. (The game's own
  // SetSysColors would not reach this process: Wine keeps system colours
  // per process, where Windows shares them desktop-wide.)
  SetHighlight(RGB(0xFF, 0, 0));
  EXPECT_EQ(plugin().MultiplayerFinished(), 0);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), static_cast<DWORD>(RGB(0xFF, 0, 0)));

  WriteFile(engine + "quit", "");
  ASSERT_TRUE(PollUntilEnded());
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), static_cast<DWORD>(RGB(0x12, 0x34, 0x56)));
  SetHighlight(RGB(0, 0, 0x99));
  EXPECT_EQ(plugin().MultiplayerFinished(), 1);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), static_cast<DWORD>(RGB(0x12, 0x34, 0x56)));
}

TEST_F(WineFlow, JoinedLaunchConnectsToThePickedServerAndEnds) {
  InstallGame();
  std::vector<unsigned char> list;
  for (const std::string entry : {"alpha:27960", "beta.example:27961"}) {
    list.push_back(static_cast<unsigned char>(entry.size()));
    list.push_back(0);
    list.insert(list.end(), entry.begin(), entry.end());
  }
  ReportTo("record", 200);
  plugin().LaunchMultiplayer(0x4000, 1, 99, 0, list.data(), "P");
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg"), "name P\r\nconnect beta.example:27961\r\n");
  ASSERT_TRUE(PollUntilEnded());
  const std::string record = ReadFile(engine + "record");
  EXPECT_NE(record.find("arg: +exec\narg: launch.cfg\n"), std::string::npos) << record;
}

#if defined(__i386__)
TEST_F(WineFlow, EveryExportAndServiceCallLeavesTheStackBalanced) {
  // What each service takes, in bytes; the unused slots take nothing.
  uint32_t argument_bytes[kSlotCount] = {};
  argument_bytes[kSlotSetConfiguration] = 8;
  argument_bytes[kSlotGetEngineString] = argument_bytes[kSlotMessageBox] = 12;
  argument_bytes[kSlotGetGameInteger] = argument_bytes[kSlotGetGameString] = 12;
  argument_bytes[kSlotAddVerifyFile] = argument_bytes[kSlotSetContentFlags] = 8;
  argument_bytes[kSlotGetFileCount] = 4;
  argument_bytes[kSlotGetFileName] = argument_bytes[kSlotSetEngineValid] = 8;
  SetGame("general", "map", "oasis - Siwa Oasis");
  ReportTo("record", 300);

  auto call = [](const char *name, uint32_t function, std::vector<uint32_t> args) {
    int32_t moved = -1;
    const uint32_t result = stack_check::CallCdecl(function, std::move(args), &moved);
    EXPECT_EQ(moved, 0) << name << " moved ESP";
    return result;
  };
  auto address = [](auto pointer) { return reinterpret_cast<uint32_t>(pointer); };
  const hostkit::Exports &e = plugin();
  stack_check::Reset();
  for (uint32_t slot = 0; slot < kSlotCount; ++slot) {
    SdllService watched = stack_check::Watch(slot, hostkit::ServiceFor(slot), argument_bytes[slot]);
    call("SDLL_InitCall", address(e.InitCall), {slot, address(watched)});
  }
  char name[64] = {};
  uint16_t code = 0;
  EXPECT_EQ(call("SDLL_Init", address(e.Init), {kContext, address(name), address(&code)}), 0u);
  EXPECT_EQ(call("SDLL_LoadConfiguration", address(e.LoadConfiguration), {}), 0u);
  EXPECT_EQ(call("SDLL_EngineConfig", address(e.EngineConfig), {}), 1u);  // the message box
  InstallGame();
  EXPECT_EQ(call("SDLL_EngineConfig", address(e.EngineConfig), {}), 0u);
  call("SDLL_Verification", address(e.Verification), {0x4000});
  call("SDLL_LaunchMultiplayer", address(e.LaunchMultiplayer),
       {0x4000, 3, 3, 0, 0, address("Player")});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (call("SDLL_MultiplayerFinished", address(e.MultiplayerFinished), {}) != 1 &&
         std::chrono::steady_clock::now() < deadline) {
  }
  EXPECT_GE(stack_check::Calls(), 15);
  EXPECT_EQ(stack_check::Faults(), std::vector<std::string>{});
}
#endif

}  // namespace
