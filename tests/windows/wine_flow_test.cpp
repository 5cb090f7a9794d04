// The shipped 32-bit DLL through the Win32 layer, under Wine: the host kit
// loads it with LoadLibraryA, the stand-in game, copied into a sandbox
// engine folder as et.exe, is started by ShellExecuteExA, and the stack
// pointer is measured around every export and every service call.
#include <fcntl.h>
#include <stdlib.h>
#include <windows.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/loaded_plugin.h"

namespace {

// With WOLFET_BINARY_FMODE set, the process's C runtime opens files in
// binary mode by default (_fmode), as a host or any other module of the
// process may arrange before the plug-in is loaded; the plug-in's launch
// script must still come out with CR LF lines.
const bool kBinaryFmode = getenv("WOLFET_BINARY_FMODE") != nullptr && (_fmode = _O_BINARY) != 0;

// A build path as Windows sees it: Wine maps the Linux root to Z:.
std::string Native(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

void SetHighlight(COLORREF colour) {
  const INT element = COLOR_HIGHLIGHT;
  SetSysColors(1, &element, &colour);
}

// Stack balance across the 32-bit boundary, measured rather than inferred
// from the absence of a crash: the exports are called through a thunk that
// compares ESP before and after (cdecl: the caller cleans, so no change),
// and every service is entered through a thunk that swaps its return
// address for a landing pad, so ESP is seen on the way in and on the way
// back to the plug-in (stdcall: the service removes exactly its arguments).
struct Watched {
  SdllService real = nullptr;
  uint32_t argument_bytes = 0;
};
Watched g_slots[kSlotCount];
// The plug-in makes one service call at a time, never nested.
uint32_t g_slot = 0, g_entry_esp = 0, g_return_to = 0;
int g_calls = 0;
std::vector<std::string> g_faults;

}  // namespace

extern "C" void LandingPad() __asm__("wolfet_landing_pad");
extern "C" const uint32_t kThunks[kSlotCount] __asm__("wolfet_thunks");
// Calls a cdecl `function` with six arguments (those it does not take do
// no harm); *moved is how far ESP moved across the call.
extern "C" uint32_t CallCdecl(uint32_t function, const uint32_t *args,
                              int32_t *moved) __asm__("wolfet_call_cdecl");

// ESP points at the plug-in's return address; it is kept, and the service
// returns to the landing pad instead. Answers the service to jump to.
extern "C" uint32_t ServiceEntered(uint32_t slot, uint32_t *esp) __asm__("wolfet_entered");
extern "C" uint32_t ServiceEntered(uint32_t slot, uint32_t *esp) {
  g_slot = slot;
  g_entry_esp = reinterpret_cast<uint32_t>(esp);
  g_return_to = *esp;
  *esp = reinterpret_cast<uint32_t>(&LandingPad);
  return reinterpret_cast<uint32_t>(g_slots[slot].real);
}

// ESP after the service's return; answers where the plug-in resumes.
extern "C" uint32_t ServiceReturned(uint32_t esp) __asm__("wolfet_returned");
extern "C" uint32_t ServiceReturned(uint32_t esp) {
  ++g_calls;
  const uint32_t expected = g_entry_esp + 4 + g_slots[g_slot].argument_bytes;
  if (esp != expected)
    g_faults.push_back("slot " + std::to_string(g_slot) + ": ESP " +
                       std::to_string(static_cast<int>(esp - expected)) + " after the return");
  return g_return_to;
}

asm(R"(
  .text
wolfet_enter:
  pushal
  leal 36(%esp), %eax
  pushl %eax
  pushl 36(%esp)
  call wolfet_entered
  addl $8, %esp
  movl %eax, 32(%esp)
  popal
  ret
  .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24
wolfet_thunk_\n:
  pushl $\n
  jmp wolfet_enter
  .endr
wolfet_landing_pad:
  subl $4, %esp
  pushal
  leal 36(%esp), %eax
  pushl %eax
  call wolfet_returned
  addl $4, %esp
  movl %eax, 32(%esp)
  popal
  ret
wolfet_call_cdecl:
  pushl %ebx
  pushl %esi
  movl 16(%esp), %esi
  movl %esp, %ebx
  .irp i, 20,16,12,8,4,0
  pushl \i(%esi)
  .endr
  call *12(%ebx)
  leal 24(%esp), %ecx
  subl %ebx, %ecx
  movl %ebx, %esp
  movl 20(%esp), %edx
  movl %ecx, (%edx)
  popl %esi
  popl %ebx
  ret
  .section .rdata
  .p2align 2
wolfet_thunks:
  .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24
  .long wolfet_thunk_\n
  .endr
  .text
)");

namespace {

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
    SetEnvironmentVariableA("FAKE_ET_RECORD", (engine + "record").c_str());
  }

  void TearDown() override {
    // The ended game's process may still hold its working folder a moment.
    std::error_code failed;
    EXPECT_TRUE(Until([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return std::filesystem::remove_all(engine, failed), !failed;
    })) << engine
        << ": " << failed.message();
  }

  void InstallGame() {
    ASSERT_TRUE(CopyFileA(Native(SDLL_FAKE_GAME_PATH).c_str(), (engine + "et.exe").c_str(), FALSE));
  }

  std::string engine;
};

TEST_F(WineFlow, EveryExportAndServiceKeepsTheStackThroughAHostedGame) {
  // What each service takes, in bytes; the unused slots take nothing.
  const std::pair<uint32_t, uint32_t> taken[] = {
      {kSlotSetConfiguration, 8}, {kSlotGetEngineString, 12}, {kSlotMessageBox, 12},
      {kSlotGetGameInteger, 12},  {kSlotGetGameString, 12},   {kSlotAddVerifyFile, 8},
      {kSlotSetContentFlags, 8},  {kSlotGetFileCount, 4},     {kSlotGetFileName, 8},
      {kSlotSetEngineValid, 8}};
  for (uint32_t slot = 0; slot < kSlotCount; ++slot) g_slots[slot] = {hostkit::ServiceFor(slot)};
  for (const auto &[slot, bytes] : taken) g_slots[slot].argument_bytes = bytes;
  auto call = [](const char *name, auto function, std::array<uint32_t, 6> args) {
    int32_t moved = -1;
    const uint32_t result = CallCdecl(reinterpret_cast<uint32_t>(function), args.data(), &moved);
    EXPECT_EQ(moved, 0) << name << " moved ESP";
    return result;
  };
  auto address = [](auto pointer) { return reinterpret_cast<uint32_t>(pointer); };
  const hostkit::Exports &e = plugin();
  for (uint32_t slot = 0; slot < kSlotCount; ++slot)
    call("SDLL_InitCall", e.InitCall, {slot, kThunks[slot]});
  char name[64] = {};
  uint16_t code = 0;
  EXPECT_EQ(call("SDLL_Init", e.Init, {kContext, address(name), address(&code)}), 0u);
  EXPECT_EQ(call("SDLL_LoadConfiguration", e.LoadConfiguration, {}), 0u);
  EXPECT_EQ(host.schema(), ReadFile(Native(SDLL_SCHEMA_FILE)));
  EXPECT_EQ(call("SDLL_EngineConfig", e.EngineConfig, {}), 1u);  // the message box
  ASSERT_TRUE(CreateDirectoryA((engine + "et.exe").c_str(), nullptr));
  EXPECT_EQ(call("SDLL_EngineConfig", e.EngineConfig, {}), 0u) << "a folder named et.exe counts";
  EXPECT_EQ(host.engine_valid(), 1);
  RemoveDirectoryA((engine + "et.exe").c_str());
  InstallGame();
  call("SDLL_Verification", e.Verification, {0x4000});

  if (kBinaryFmode) {  // the harness did make plain "w" streams binary
    FILE *file = fopen((engine + "mode").c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs("\n", file);
    fclose(file);
    ASSERT_EQ(ReadFile(engine + "mode"), "\n");
  }
  SetGame("general", "type", "0");
  SetGame("general", "allowdownload", "1");
  SetGame("general", "map", "oasis - Siwa Oasis");
  WriteFile(engine + "etmain\\launch.cfg", "name Old\r\n");
  SetEnvironmentVariableA("FAKE_ET_RUN_MS", "-1");
  SetHighlight(RGB(0x12, 0x34, 0x56));
  call("SDLL_LaunchMultiplayer", e.LaunchMultiplayer, {0x4000, 3, 3, 0, 0, address("Player One")});
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg"),
            "name Player One\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
            "set sv_hostname ^1Orvanta Server\r\nmap oasis\r\n");
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg.bak"), "name Old\r\n");
  // The game runs in the engine folder with the fixed command line, and
  // writes its report once it has read the script. (On the emulated
  // machine the file has once been seen before its bytes.)
  std::string record;
  ASSERT_TRUE(Until([&] { return !(record = ReadFile(engine + "record")).empty(); }));
  EXPECT_EQ(record.substr(0, record.find("script:")),
            "cwd: " + engine.substr(0, engine.size() - 1) + "\narg: +exec\narg: launch.cfg\n");
  EXPECT_NE(record.find("map: oasis"), std::string::npos) << record;

  // Running: 0, and a colour set meanwhile stays. (The game's own
  // SetSysColors would not reach this process: Wine keeps system colours
  // per process, where Windows shares them desktop-wide.)
  auto finished = [&] { return call("SDLL_MultiplayerFinished", e.MultiplayerFinished, {}); };
  auto highlight = [] { return GetSysColor(COLOR_HIGHLIGHT); };
  SetHighlight(RGB(0xFF, 0, 0));
  EXPECT_EQ(finished(), 0u);
  EXPECT_EQ(highlight(), static_cast<DWORD>(RGB(0xFF, 0, 0)));
  WriteFile(engine + "quit", "");
  ASSERT_TRUE(Until(finished));
  EXPECT_EQ(highlight(), static_cast<DWORD>(RGB(0x12, 0x34, 0x56)));
  SetHighlight(RGB(0, 0, 0x99));
  EXPECT_EQ(finished(), 1u);
  EXPECT_EQ(highlight(), static_cast<DWORD>(RGB(0x12, 0x34, 0x56)));
  EXPECT_GE(g_calls, 15);
  EXPECT_EQ(g_faults, std::vector<std::string>{});
}

}  // namespace
