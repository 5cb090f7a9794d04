// The shipped 32-bit DLL under Wine, loaded with LoadLibraryA, starting the
// stand-in game by ShellExecuteExA, with the stack pointer measured around
// every export and every service call.
#include <fcntl.h>
#include <stdlib.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/files.h"
#include "support/loaded_plugin.h"
#include "text.h"
#include "windows/wine_engine.h"

namespace {

// WOLFET_BINARY_FMODE makes binary the process's default file mode, as a
// host may; the launch script must still come out with CR LF lines.
bool MakeFilesBinaryIfAsked() {
  if (getenv("WOLFET_BINARY_FMODE") == nullptr) return false;
  _fmode = _O_BINARY;
  return true;
}
const bool kBinaryFmode = MakeFilesBinaryIfAsked();

constexpr uint32_t kContentFlags = 0x4000;
constexpr UINT kWindows1252 = 1252;
constexpr uint32_t kHostingIndex = 3;  // equal to the server index: a hosted game
const INT kHighlight = COLOR_HIGHLIGHT;
void SetHighlight(COLORREF colour) { SetSysColors(1, &kHighlight, &colour); }

// Stack balance, measured rather than inferred from the absence of a
// crash: each export is called through a thunk that compares ESP before
// and after (cdecl: no change), and each service is entered through one
// that swaps its return address for a landing pad, so ESP is seen on the
// way in and back (stdcall: the service removes exactly its arguments).
uint32_t g_argument_bytes[kSlotCount];  // what each service takes
// The plug-in makes one service call at a time, never nested.
uint32_t g_slot = 0;
uint32_t g_entry_esp = 0;
uint32_t g_return_to = 0;
int g_calls = 0;

}  // namespace

// Defined below; C names take a leading '_' in 32-bit Windows assembly.
// Thunk n, the one handed over for slot n, is a 5-byte call at Thunks + 5n.
extern "C" void Thunks();
extern "C" void LandingPad();
// Calls a cdecl `function` with six arguments (those it does not take do
// no harm): its result, and above it how far ESP moved across the call.
extern "C" uint64_t CallCdecl(uint32_t function, const uint32_t *args);

// frame[0] is the thunk's return address, which names the slot; frame[1]
// the plug-in's, where ESP points on entry. The thunk's ret then enters
// the service (frame[0]), which returns to the landing pad (frame[1]).
extern "C" void ServiceEntered(uint32_t *frame) {
  g_slot = (frame[0] - reinterpret_cast<uint32_t>(&Thunks)) / 5 - 1;
  g_entry_esp = reinterpret_cast<uint32_t>(frame + 1);
  g_return_to = frame[1];
  frame[1] = reinterpret_cast<uint32_t>(&LandingPad);
  frame[0] = reinterpret_cast<uint32_t>(hostkit::ServiceFor(g_slot));
}

// `result` is the service's result, kept just below the ESP it returned
// with; answers where the plug-in resumes.
extern "C" uint32_t ServiceReturned(const uint32_t *result) {
  ++g_calls;
  EXPECT_EQ(reinterpret_cast<uint32_t>(result + 1), g_entry_esp + 4 + g_argument_bytes[g_slot])
      << "ESP after slot " << g_slot << " returned";
  return g_return_to;
}

// The C handlers keep EBX, ESI, EDI and EBP; of the rest only EAX, the
// service's result, must survive the way back.
asm(R"(
  .text
_Thunks:
  .rept 25
  call wolfet_enter
  .endr
wolfet_enter:
  pushl %esp
  call _ServiceEntered
  addl $4, %esp
  ret
_LandingPad:
  pushl %eax
  pushl %esp
  call _ServiceReturned
  addl $4, %esp
  xchgl %eax, (%esp)
  ret
_CallCdecl:
  pushl %ebx
  movl %esp, %ebx
  movl 12(%ebx), %eax
  .irp i, 20,16,12,8,4,0
  pushl \i(%eax)
  .endr
  call *8(%ebx)
  leal 24(%esp), %edx
  subl %ebx, %edx
  movl %ebx, %esp
  popl %ebx
  ret
)");

namespace {

class WineFlow : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    // The plug-in's paths go through the ANSI calls, which Wine converts
    // with the code page, as Windows does.
    ASSERT_EQ(GetACP(), kWindows1252) << "the ANSI code page of the systems the plug-in ships to";
    engine = MakeTempEngine(Native(SDLL_FAKE_GAME_PATH), "Wolf \xC9T-");
    ASSERT_NE(engine, "") << "an engine folder in the temporary folder";
    UseEngine(engine);
    SetEnvironmentVariableA("FAKE_ET_RECORD", (engine + "record").c_str());
    SetEnvironmentVariableA("FAKE_ET_RUN_MS", "-1");
  }

  void TearDown() override {
    // The ended game's process may still hold its working folder a moment.
    std::error_code failed;
    EXPECT_TRUE(Until([&] {
      std::filesystem::remove_all(engine, failed);
      return !failed;
    })) << engine
        << ": " << failed.message();
  }

  // The folder as the host keeps it: in UTF-8.
  void UseEngine(const std::string &ansi) {
    SetEngine("general", "enginepath", hostkit::Windows1252ToUtf8(ansi));
  }

  std::string engine;  // in the ANSI code page
};

TEST_F(WineFlow, EveryExportAndServiceKeepsTheStackThroughAHostedGame) {
  // The unused slots take nothing.
  const std::pair<uint32_t, uint32_t> taken[] = {
      {kSlotSetConfiguration, 8}, {kSlotGetEngineString, 12}, {kSlotMessageBox, 12},
      {kSlotGetGameInteger, 12},  {kSlotGetGameString, 12},   {kSlotAddVerifyFile, 8},
      {kSlotSetContentFlags, 8},  {kSlotGetFileCount, 4},     {kSlotGetFileName, 8},
      {kSlotSetEngineValid, 8}};
  for (const auto &[slot, bytes] : taken) g_argument_bytes[slot] = bytes;
  auto call = [](const char *name, auto function, std::array<uint32_t, 6> args) {
    const uint64_t both = CallCdecl(reinterpret_cast<uint32_t>(function), args.data());
    EXPECT_EQ(static_cast<int32_t>(both >> 32), 0) << name << " moved ESP";
    return static_cast<uint32_t>(both);
  };
  auto address = [](auto pointer) { return reinterpret_cast<uint32_t>(pointer); };
  const hostkit::Exports &e = plugin();

  // Step 1: the services handed over, the plug-in set up.
  for (uint32_t slot = 0; slot < kSlotCount; ++slot)
    call("SDLL_InitCall", e.InitCall, {slot, address(&Thunks) + 5 * slot});
  char name[64] = {};
  uint16_t code = 0;
  EXPECT_EQ(call("SDLL_Init", e.Init, {kContext, address(name), address(&code)}), 0u)
      << "SDLL_Init succeeds";
  EXPECT_EQ(call("SDLL_LoadConfiguration", e.LoadConfiguration, {}), 0u)
      << "SDLL_LoadConfiguration succeeds";
  EXPECT_EQ(host.schema(), ReadFile(Native(SDLL_SCHEMA_FILE)))
      << "the schema from the resource section";

  // Step 2: the engine check, by FindFirstFileA.
  UseEngine(engine + "etmain\\");  // no et.exe in it
  EXPECT_EQ(call("SDLL_EngineConfig", e.EngineConfig, {}), 1u) << "no et.exe: the warning";
  ASSERT_TRUE(CreateDirectoryA((engine + "etmain\\et.exe").c_str(), nullptr));
  EXPECT_EQ(call("SDLL_EngineConfig", e.EngineConfig, {}), 0u) << "no warning";
  EXPECT_EQ(host.engine_valid(), 1) << "a folder named et.exe counts";
  UseEngine(engine);
  call("SDLL_Verification", e.Verification, {kContentFlags});

  // Step 3: a hosted launch over an older script, the colour set before it.
  if (kBinaryFmode) {  // the harness did make plain "w" streams binary
    FILE *file = fopen((engine + "mode").c_str(), "w");
    ASSERT_NE(file, nullptr) << "a plain \"w\" stream";
    EXPECT_GE(fputs("\n", file), 0) << "a line feed written";
    EXPECT_EQ(fclose(file), 0) << "and closed";
    ASSERT_EQ(ReadFile(engine + "mode"), "\n") << "plain \"w\" streams are binary here";
  }
  SetGame("general", "type", "0");
  SetGame("general", "allowdownload", "1");
  SetGame("general", "map", "oasis - Siwa Oasis");
  WriteFile(engine + "etmain\\launch.cfg", "name Old\r\n");
  const COLORREF before = RGB(0x12, 0x34, 0x56);
  SetHighlight(before);
  call("SDLL_LaunchMultiplayer", e.LaunchMultiplayer,
       {kContentFlags, kHostingIndex, kHostingIndex, 0, 0, address("Player One")});
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg"),
            "name Player One\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
            "set sv_hostname ^1Orvanta Server\r\nmap oasis\r\n")
      << "the script, with CR LF lines";
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg.bak"), "name Old\r\n")
      << "the older script is the backup";
  // On the emulated machine the report has once been seen before its bytes.
  std::string record;
  ASSERT_TRUE(Until([&] {
    record = ReadFile(engine + "record");
    return !record.empty();
  })) << "the game reports";
  // (The stand-in game reports its folder as the C++ library names it: in UTF-8.)
  const std::string folder = hostkit::Windows1252ToUtf8(engine.substr(0, engine.size() - 1));
  EXPECT_EQ(Reported(record, "cwd"), std::vector<std::string>{folder})
      << "the game runs in the engine folder";
  EXPECT_EQ(Reported(record, "arg"), (std::vector<std::string>{"+exec", "launch.cfg"}))
      << "the fixed command line";
  EXPECT_EQ(Reported(record, "map"), std::vector<std::string>{"oasis"})
      << "the game read the script";

  // Step 4: the real game runs, then ends; the polls around a game the
  // fault suite and the launch tests follow step by step.
  auto finished = [&] { return call("SDLL_MultiplayerFinished", e.MultiplayerFinished, {}); };
  EXPECT_EQ(finished(), 0u) << "the game runs";
  WriteFile(engine + "quit", "");
  ASSERT_TRUE(Until(finished)) << "the end is seen";
  EXPECT_EQ(GetSysColor(kHighlight), before) << "the colour from before the launch is back";
  constexpr int kFewestServiceCalls = 15;  // those of steps 1 to 3
  EXPECT_GE(g_calls, kFewestServiceCalls) << "the services were measured";
}

}  // namespace
