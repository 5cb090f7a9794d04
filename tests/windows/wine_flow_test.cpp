// What only Windows shows, under 32-bit Wine: the shipped DLL loaded with
// LoadLibraryA, its schema from the resource section, the stack pointer
// measured around every export and every service call, an engine folder
// named beyond ASCII in the ANSI code page, and the launch script's CR LF
// lines when the host process's C runtime opens files in binary mode.
#include <fcntl.h>
#include <stdlib.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <string>

#include "support/sandbox.h"

namespace {

// WOLFET_BINARY_FMODE makes binary the process's default file mode, as a
// host may; the launch script must still come out with CR LF lines.
bool MakeFilesBinaryIfAsked() {
  if (getenv("WOLFET_BINARY_FMODE") == nullptr) return false;
  _fmode = _O_BINARY;
  return true;
}
const bool kBinaryFmode = MakeFilesBinaryIfAsked();

constexpr UINT kWindows1252 = 1252;
constexpr uint32_t kHostingIndex = 3;  // equal to the server index: a hosted game

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

class WineFlow : public GameSandbox {
 protected:
  void SetUp() override {
    GameSandbox::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // The plug-in's paths go through the ANSI calls, which Wine converts
    // with the code page, as Windows does.
    ASSERT_EQ(GetACP(), kWindows1252) << "the ANSI code page of the systems the plug-in ships to";
    engine = AddEngine("Wolf \xC9T");
    UseEngine(engine);
    SetEnv("FAKE_ET_RUN_MS", "-1");
  }
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
  EXPECT_EQ(host.schema(), SchemaText()) << "the schema from the resource section";

  // Step 2: the engine check, without et.exe (the warning) and with it.
  UseEngine(engine + "etmain\\");
  EXPECT_EQ(call("SDLL_EngineConfig", e.EngineConfig, {}), 1u) << "no et.exe: the warning";
  UseEngine(engine);
  EXPECT_EQ(call("SDLL_EngineConfig", e.EngineConfig, {}), 0u) << "et.exe found";
  call("SDLL_Verification", e.Verification, {kContentFlags});

  // Step 3: a hosted launch in the folder beyond ASCII.
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
  call("SDLL_LaunchMultiplayer", e.LaunchMultiplayer,
       {kContentFlags, kHostingIndex, kHostingIndex, 0, 0, address("Player One")});
  EXPECT_EQ(ReadFile(engine + "etmain\\launch.cfg"),
            "name Player One\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
            "set sv_hostname ^1Orvanta Server\r\nmap oasis\r\n")
      << "the script, with CR LF lines";
  EXPECT_EQ(Reported(Record(), "cwd"), std::vector<std::string>{WorkingFolder(engine)})
      << "the game runs in the engine folder";

  // Step 4: the game runs, then ends.
  auto finished = [&] { return call("SDLL_MultiplayerFinished", e.MultiplayerFinished, {}); };
  EXPECT_EQ(finished(), 0u) << "the game runs";
  WriteFile(engine + "quit", "");
  ASSERT_TRUE(Until(finished)) << "the end is seen";
  constexpr int kFewestServiceCalls = 15;  // those of steps 1 to 3
  EXPECT_GE(g_calls, kFewestServiceCalls) << "the services were measured";
}

}  // namespace
