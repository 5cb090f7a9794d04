// The POSIX layer's own ways: the colour file, the wait with and without a
// pidfd, a game stopped, killed, replaced or reaped by the kernel, and
// every export repeated under valgrind. What every platform layer does
// alike, platform_test.cpp checks on both.
#include "launch/path.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

constexpr uint32_t kForever = 0xFFFFFFFFu;  // INFINITE
constexpr uint32_t kWindowsDefaultHighlight = 0x00D77800u;

size_t EntriesIn(const std::string &folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

using Launch = GameSandbox;

TEST(Paths, JoinsFillTheirBufferAndNoMore) {
  struct {
    sdll::PathBuffer path;
    char after = 'x';
  } buffer;
  const std::string head(sdll::kPathSize - 2, 'h');
  EXPECT_TRUE(sdll::JoinPath(buffer.path, head.c_str(), "t")) << "259 bytes and the NUL fit";
  EXPECT_EQ(std::string(buffer.path), head + "t") << "the two texts, nothing between";
  EXPECT_EQ(buffer.after, 'x') << "nothing is written past the buffer";
  EXPECT_FALSE(sdll::JoinPath(buffer.path, head.c_str(), "tt")) << "one byte more does not fit";
}

FILE *OpenNothingForReading(const char *path, const char *mode) {
  return std::string(mode) == "r" ? Refuse<EACCES, FILE *>() : fopen(path, mode);
}
int CloseThatFails(FILE *file) { return fclose(file) == 0 ? Refuse<EIO>() : EOF; }

TEST_F(Launch, ColourFileIsFoundInOrderAndReadPastDamagedLines) {
  EXPECT_EQ(Highlight(), kWindowsDefaultHighlight) << "a missing colour file reads as the default";
  const std::string file = root + "/colours";
  WriteFile(file, "x\n-1 0x1\n31 0x2\n13 zz\n30 0x30\n0 7\n1 0xFFFFFFFF\n2 0x100000000\n");
  EXPECT_EQ(Highlight(), kWindowsDefaultHighlight) << "a damaged line reads as the default";
  struct Element {
    int element;
    uint32_t colour;
    const char *line;
  } const elements[] = {
      {30, 0x30u, "the last element"},           {0, 7u, "a decimal colour"},
      {1, 0xFFFFFFFFu, "the largest colour"},    {2, 0u, "a colour past 32 bits is skipped"},
      {29, 0u, "an element never set is black"}, {31, 0u, "past the last element"},
      {-1, 0u, "before the first element"}};
  for (const Element &e : elements)
    EXPECT_EQ(platform::GetSystemColour(e.element), e.colour) << e.line;
  platform::SetSystemColour(31, 5);
  platform::SetSystemColour(-1, 5);
  platform::SetSystemColour(0, 8);
  SetHighlight(0x112233);
  const std::string kWritten = "0 0x00000008\n1 0xFFFFFFFF\n13 0x00112233\n30 0x00000030\n";
  EXPECT_EQ(ReadFile(file), kWritten) << "elements in order, damaged lines dropped";

  // A change that cannot be read, written or moved into place whole leaves
  // the file as it was and no temporary beside it.
  constexpr size_t kEntries = 2;  // the colour file and the engine folder
  const Arranged broken[] = {
      {"the file cannot be opened", [] { posix::Sys().fopen = &OpenNothingForReading; }},
      {"a read fails", [] { posix::Sys().fgets = Refuse<EIO, char *>; }},
      {"the disk is full", [] { posix::Sys().fwrite = Refuse<ENOSPC, size_t>; }},
      {"the close fails", [] { posix::Sys().fclose = &CloseThatFails; }},
      {"the move into place fails", [] { posix::Sys().rename = Refuse<EACCES>; }},
  };
  for (const Arranged &fault : broken) {
    SCOPED_TRACE(fault.what);
    fault.arrange();
    SetHighlight(9);
    faults.Clear();
    EXPECT_EQ(ReadFile(file), kWritten) << "the file is whole";
    EXPECT_EQ(EntriesIn(root), kEntries) << "no temporary is left";
  }

  // Without SDLL_SYSCOLOR_FILE: $XDG_RUNTIME_DIR, then $HOME.
  setenv("SDLL_SYSCOLOR_FILE", "", 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  SetHighlight(1);
  setenv("XDG_RUNTIME_DIR", "", 1);
  setenv("HOME", root.c_str(), 1);
  SetHighlight(2);
  EXPECT_EQ(ReadFile(root + "/wolfet-syscolors"), "13 0x00000001\n") << "$XDG_RUNTIME_DIR first";
  EXPECT_EQ(ReadFile(root + "/.wolfet-syscolors"), "13 0x00000002\n") << "then $HOME";
}

TEST_F(Launch, GameThatIsStoppedKilledOrReplacedIsFollowedToItsEnd) {
  // Step 1: a second launch while the first game runs: only the second is followed.
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  HostGame();
  Record();
  const pid_t first = Children().at(0);
  SetEngine("general", "enginepath", AddEngine("second"));
  constexpr uint32_t kAtSecondLaunch = 2;
  SetHighlight(kAtSecondLaunch);
  HostGame();
  pid_t second = 0;
  for (pid_t child : Children())
    if (child != first) second = child;
  SetHighlight(0);
  ASSERT_EQ(kill(second, SIGSTOP), 0);
  EXPECT_EQ(plugin().MultiplayerFinished(), 0) << "a stopped game still runs";
  ASSERT_EQ(kill(second, SIGKILL), 0);
  EXPECT_TRUE(PollUntilEnded()) << "a killed game has ended";
  EXPECT_EQ(Highlight(), kAtSecondLaunch) << "the colour of the second launch is back";
  EXPECT_EQ(Children(), std::vector<pid_t>{first}) << "the first game should still run";
  WriteFile(engine + "quit", "");
  Until([&] { return plugin().MultiplayerFinished() && Children().empty(); });
  ExpectNothingLeft();

  // Step 2: a host that ignores SIGCHLD, where the kernel reaps the game itself.
  fs::create_directories(root + "/report/folder");  // apart from what the killed game left
  setenv("FAKE_ET_RECORD", (root + "/report/folder").c_str(), 1);
  struct sigaction ignore = {}, saved = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGCHLD, &ignore, &saved);
  setenv("FAKE_ET_RUN_MS", "0", 1);
  HostGame();
  const bool ended = PollUntilEnded();
  sigaction(SIGCHLD, &saved, nullptr);
  EXPECT_TRUE(ended) << "a game the kernel reaped has ended";
  ExpectNothingLeft();
  EXPECT_EQ(EntriesIn(root + "/report"), 1u) << "only the folder the report could not replace";
}

// Each export 10,000 times, under valgrind too (a leak or a bad access fails
// it); launches go to a folder without et.exe, every thousandth to the game.
TEST_F(Launch, EveryExportTenThousandTimesLeavesNothingBehind) {
  const std::string missing = AddEngine("missing");
  fs::remove(missing + "et.exe");
  const auto list = PackList({{5, "a:279"}, {0, ""}, {3, "b c"}});
  SetGame("general", "map", "oasis - Siwa Oasis");
  SetGame("general", "allowdownload", "1");
  constexpr int kRounds = 10000, kSlotsTried = 30, kGameTypes = 5;
  char name[16];
  uint16_t code = 0;
  for (int i = 0; i < kRounds; ++i) {
    host.ClearCalls();
    const auto slot = static_cast<uint32_t>(i % kSlotsTried);  // past the table too
    plugin().InitCall(slot, hostkit::ServiceFor(slot));
    ASSERT_EQ(plugin().Init(kContext, name, &code), 0) << "round " << i;
    ASSERT_EQ(plugin().LoadConfiguration(), 0) << "round " << i;
    const bool odd = i % 2 == 1;
    SetEngine("general", "enginepath", !odd ? "" : i % 4 == 1 ? missing : engine);
    plugin().EngineConfig();
    plugin().Verification(i % 3 == 0 ? kContentFlags : 0u);
    SetEngine("general", "enginepath", i % 1000 == 999 ? engine : missing);
    host.settings().SetInteger(hostkit::Page::kMultiplayer, "general", "type", i % kGameTypes);
    // Server indices -1 to 2 against hosting index 0; now and then no list or no name.
    constexpr int32_t kHosting = 0;
    const int32_t server = i % 4 - 1;
    plugin().LaunchMultiplayer(kContentFlags, server, kHosting, 0,
                               i % 8 == 7 ? nullptr : list.data(),
                               i % 16 == 15 ? nullptr : "Player");
    ASSERT_TRUE(PollUntilEnded()) << "round " << i;
  }
  ExpectNothingLeft();
}

int g_naps = 0;

TEST_F(Launch, WaitsSeeTheEndOnlyWhenTheyWork) {
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  struct Case {
    const char *how;
    bool pidfd;
  } const cases[] = {{"without a pidfd, as under valgrind: naps", false}, {"on a pidfd", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.how);
    faults.Clear();
    if (!c.pidfd) posix::Sys().pidfd_open = Refuse<ENOSYS>;
    platform::ProcessHandle game =
        platform::StartProgram((engine + "et.exe").c_str(), "+exec launch.cfg", engine.c_str());
    ASSERT_NE(game, nullptr) << "the game starts";
    EXPECT_FALSE(platform::WaitForProcessEnd(game, 1)) << "running, after 1 ms";
    errno = EINTR;  // left over from some earlier call: no reason to ask again
    EXPECT_FALSE(platform::WaitForProcessEnd(game, 0)) << "running, at once";
    if (!c.pidfd) {  // a clock that fails ends a limited wait at the first look
      posix::Sys().clock_gettime = Refuse<EINVAL>;
      posix::Sys().nanosleep = [](auto... nap) {
        ++g_naps;
        return nanosleep(nap...);
      };
      g_naps = 0;
      EXPECT_FALSE(platform::WaitForProcessEnd(game, 1000)) << "no clock: not ended";
      EXPECT_EQ(g_naps, 0) << "no nap without a clock to end it";
      faults.Clear();
    }
    WriteFile(engine + "quit", "");
    if (c.pidfd) {  // a poll that fails sees no end
      posix::Sys().poll = Refuse<EINTR>;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_FALSE(platform::WaitForProcessEnd(game, 0)) << "a failed poll sees no end";
      faults.Clear();
    }
    EXPECT_TRUE(platform::WaitForProcessEnd(game, kForever)) << "the end is seen";
    EXPECT_TRUE(platform::WaitForProcessEnd(game, 0)) << "an ended process stays ended";
    platform::CloseProcess(game);
    ExpectNothingLeft();
  }

  // A pidfd closed while the game runs: closed once, not again when the
  // orphan is collected (the number may be someone else's by then).
  static std::vector<int> closed;
  posix::Sys().close = [](int fd) {
    closed.push_back(fd);
    return close(fd);
  };
  platform::ProcessHandle game =
      platform::StartProgram((engine + "et.exe").c_str(), "", engine.c_str());
  platform::CloseProcess(game);
  EXPECT_EQ(CountDescriptors(), descriptors) << "the pidfd outlived its handle";
  WriteFile(engine + "quit", "");
  Until([] {
    platform::CloseProcess(nullptr);
    return Children().empty();
  });
  EXPECT_EQ(closed.size(), 1u) << "the pidfd is closed once";
  ExpectNothingLeft();
}

}  // namespace
