// The Win32 layer's failure branches under 32-bit Wine, in the linked-in core
// (the very objects of the DLL) with single calls of its Win32 table swapped.
// Each failure costs no more than the call that failed.
#include <sdll/sdll.h>
#include <windows.h>

#include <string>

#include "platform/win32_syscalls.h"
#include "support/files.h"
#include "support/loaded_plugin.h"
#include "windows/wine_engine.h"

namespace {

namespace win32 = platform::win32;

// What the swapped calls saw; reset for every test.
struct Seen {
  int starts = 0;
  SHELLEXECUTEINFOA start = {};  // as the last start was asked
  int waits = 0;
  HANDLE waited_on = nullptr;
  DWORD wait_milliseconds = 0;
  int searches_closed = 0;
  int handles_closed = 0;
  HANDLE closed = nullptr;
};
Seen g_seen;

// What the swapped calls answer.
BOOL g_start_result = TRUE;
HANDLE g_started_process = nullptr;
DWORD g_wait_result = WAIT_TIMEOUT;

// A process handle no real call ever sees: every call that takes one is swapped.
const HANDLE kGameProcess = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4242));

BOOL WINAPI RecordStart(SHELLEXECUTEINFOA *info) {
  ++g_seen.starts;
  g_seen.start = *info;
  info->hProcess = g_started_process;
  return g_start_result;
}
DWORD WINAPI RecordWait(HANDLE process, DWORD milliseconds) {
  ++g_seen.waits;
  g_seen.waited_on = process;
  g_seen.wait_milliseconds = milliseconds;
  return g_wait_result;
}
BOOL WINAPI RecordCloseHandle(HANDLE handle) {
  ++g_seen.handles_closed;
  g_seen.closed = handle;
  return TRUE;
}
// The layer never asks why a call failed, so the failures set no error code.
HANDLE WINAPI FindNothing(LPCSTR, LPWIN32_FIND_DATAA) { return INVALID_HANDLE_VALUE; }
BOOL WINAPI RecordFindClose(HANDLE search) {
  ++g_seen.searches_closed;
  return win32::DefaultSyscalls().FindClose(search);
}
FILE *__cdecl OpenNothing(const char *, const char *) { return nullptr; }
BOOL WINAPI DeleteNothing(LPCSTR) { return FALSE; }
BOOL WINAPI MoveNothing(LPCSTR, LPCSTR) { return FALSE; }

constexpr COLORREF kAtLaunch = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kMeanwhile = RGB(0xFF, 0, 0);
const INT kHighlight = COLOR_HIGHLIGHT;
void SetHighlight(COLORREF colour) { SetSysColors(1, &kHighlight, &colour); }
COLORREF Highlight() { return GetSysColor(kHighlight); }

class WineFault : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    engine = MakeTempEngine("");
    ASSERT_NE(engine, "");
    SetEngine("general", "enginepath", engine);
    // The linked-in copy; it starts no game.
    for (uint32_t slot = 0; slot < kSlotCount; ++slot)
      SDLL_InitCall(slot, hostkit::ServiceFor(slot));
    SDLL_Init(kContext, nullptr, nullptr);
    g_seen = Seen();
    g_start_result = TRUE;
    g_started_process = nullptr;
    g_wait_result = WAIT_TIMEOUT;
    UndoFaults();
    ASSERT_EQ(SDLL_MultiplayerFinished(), 1) << "each test starts with no game known";
    host.ClearCalls();
  }
  void TearDown() override {
    win32::Sys() = win32::DefaultSyscalls();
    std::error_code failed;
    std::filesystem::remove_all(engine, failed);
    EXPECT_FALSE(failed) << engine << ": " << failed.message();
  }

  // The shipped table but for the process calls, which only record.
  static void UndoFaults() {
    win32::Sys() = win32::DefaultSyscalls();
    win32::Sys().ShellExecuteExA = &RecordStart;
    win32::Sys().WaitForSingleObject = &RecordWait;
    win32::Sys().CloseHandle = &RecordCloseHandle;
  }

  void JoinGame() {
    static const auto list = PackList({{3, "srv"}});
    SDLL_LaunchMultiplayer(0x4000, 0, 1, 0, list.data(), "P");
  }

  std::string engine;  // with its trailing '\'
};

TEST_F(WineFault, EngineCheckWhoseSearchFindsNothingWarnsAndCallsTheFolderUnusable) {
  ASSERT_EQ(SDLL_EngineConfig(), 0) << "et.exe is there for a search that works";
  win32::Sys().FindFirstFileA = &FindNothing;
  win32::Sys().FindClose = &RecordFindClose;
  host.ClearCalls();
  EXPECT_EQ(SDLL_EngineConfig(), 1) << "a search that finds nothing shows the warning";
  EXPECT_EQ(host.engine_valid(), 0) << "the folder is reported unusable";
  EXPECT_TRUE(host.CallsTo("HostSetContentFlags").empty()) << "no content is reported";
  EXPECT_EQ(g_seen.searches_closed, 0) << "a failed search has no handle to close";
}

// Each file call that fails during a launch, over an older script and backup.
TEST_F(WineFault, FileCallThatFailsDuringTheLaunchCostsOnlyWhatItDid) {
  const char *const kOldScript = "name Old\r\n";
  const char *const kOldBackup = "name Older\r\n";
  const char *const kNewScript = "name P\r\nconnect srv\r\n";
  const char *const kAbsent = nullptr;
  struct Case {
    const char *fault;
    void (*inject)();
    const char *script;  // etmain\launch.cfg after the launch
    const char *backup;  // etmain\launch.cfg.bak after the launch
  } const cases[] = {
      {"FindFirstFileA finds nothing: the backup is skipped, the script overwritten in place",
       [] { win32::Sys().FindFirstFileA = &FindNothing; }, kNewScript, kOldBackup},
      {"fopen fails: the script moved aside is not written anew",
       [] { win32::Sys().fopen = &OpenNothing; }, kAbsent, kOldScript},
      {"DeleteFileA fails: the move fails too, the old backup stays, the script is overwritten",
       [] { win32::Sys().DeleteFileA = &DeleteNothing; }, kNewScript, kOldBackup},
      {"MoveFileA fails: the old backup is gone, the script is overwritten in place",
       [] { win32::Sys().MoveFileA = &MoveNothing; }, kNewScript, kAbsent},
  };
  const std::string script = engine + "etmain\\launch.cfg";
  const std::string backup = script + ".bak";
  auto text = [](const std::string &path) {
    return std::filesystem::exists(path) ? ReadFile(path) : std::string("(absent)");
  };
  auto expected = [](const char *bytes) { return bytes != nullptr ? bytes : "(absent)"; };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fault);
    WriteFile(script, kOldScript);
    WriteFile(backup, kOldBackup);
    g_seen.starts = 0;
    c.inject();
    JoinGame();
    UndoFaults();
    EXPECT_EQ(text(script), expected(c.script)) << "the script after the launch";
    EXPECT_EQ(text(backup), expected(c.backup)) << "the backup after the launch";
    EXPECT_EQ(g_seen.starts, 1) << "the launch goes on to the start";
    EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no process was started";
  }
}

// Whether the shell admits the failure or not.
TEST_F(WineFault, StartThatGivesNoProcessHandleEndsAtTheFirstPollWithTheColourOfTheLaunch) {
  struct Case {
    const char *fault;
    BOOL result;
  } const cases[] = {{"ShellExecuteExA fails", FALSE},
                     {"ShellExecuteExA succeeds yet gives no process handle", TRUE}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.fault);
    g_start_result = c.result;
    SetHighlight(kAtLaunch);
    JoinGame();
    SetHighlight(kMeanwhile);
    EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no handle: the game counts as ended";
    EXPECT_EQ(Highlight(), kAtLaunch) << "the colour read at the launch is back";
    EXPECT_EQ(g_seen.waits, 0) << "there is no handle to wait on";
    EXPECT_EQ(g_seen.handles_closed, 0) << "nor one to close";
  }
  // How the shell was asked; what it starts, where and how, the flow suite's game reports.
  const SHELLEXECUTEINFOA &asked = g_seen.start;
  EXPECT_EQ(asked.cbSize, 60u) << "the 32-bit structure's size";
  EXPECT_EQ(asked.fMask, static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS))
      << "a handle, and no other flag";
  EXPECT_EQ(asked.hwnd, nullptr) << "no owner window";
  EXPECT_EQ(asked.lpVerb, nullptr) << "the default verb";
  EXPECT_EQ(asked.nShow, SW_SHOW) << "shown";
  EXPECT_EQ(asked.hProcess, nullptr) << "hProcess is null going in";
}

TEST_F(WineFault, WaitThatTimesOutOrFailsAnswersZeroAndChangesNothing) {
  g_started_process = kGameProcess;
  SetHighlight(kAtLaunch);
  JoinGame();
  SetHighlight(kMeanwhile);
  struct Case {
    const char *wait;
    DWORD result;
  } const cases[] = {{"WAIT_TIMEOUT: the game runs", WAIT_TIMEOUT},
                     {"WAIT_FAILED: the wait itself failed", WAIT_FAILED}};
  int waits = 0;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.wait);
    g_wait_result = c.result;
    EXPECT_EQ(SDLL_MultiplayerFinished(), 0) << "not ended";
    EXPECT_EQ(g_seen.waits, ++waits) << "one wait per poll";
    EXPECT_EQ(g_seen.waited_on, kGameProcess) << "on the started game's handle";
    EXPECT_EQ(g_seen.wait_milliseconds, 1u) << "for 1 ms";
    EXPECT_EQ(Highlight(), kMeanwhile) << "the colour is left alone";
    EXPECT_EQ(g_seen.handles_closed, 0) << "the handle is kept";
  }

  // The wait then sees the end.
  g_wait_result = WAIT_OBJECT_0;
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "ended";
  EXPECT_EQ(Highlight(), kAtLaunch) << "the colour read at the launch is back";
  EXPECT_EQ(g_seen.handles_closed, 1) << "the ended game's handle is closed once";
  EXPECT_EQ(g_seen.closed, kGameProcess) << "and it is the game's";
  EXPECT_EQ(SDLL_MultiplayerFinished(), 1) << "no game known any more";
  EXPECT_EQ(g_seen.waits, waits + 1) << "nothing is left to wait on";
}

}  // namespace
