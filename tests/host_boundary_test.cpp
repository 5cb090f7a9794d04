// The host boundary through the loaded library, pinned to the launcher's
// numbers written here, not taken from the shared header: each service's
// slot, what it is passed, and how host texts become host strings.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/loaded_plugin.h"

namespace {

std::vector<std::string> g_seen;  // "slot: arguments", in call order
const char16_t *g_folder = u"";   // what slot 2 answers for every key
size_t g_allocation = 0;          // task memory behind the folder text of slot 11
std::string T(const char *text) { return text != nullptr ? text : "(null)"; }
std::string T(int64_t value) { return std::to_string(value); }
template <typename... A>
void Note(int slot, A... args) {
  std::string line = std::to_string(slot) + ":";
  ((line += " " + T(args)), ...);
  g_seen.push_back(line);
}

// One stub per service, with the launcher's signature: on 32-bit x86 a
// wrong argument count would unbalance the stack.
int32_t SDLL_STDCALL SetConfiguration(const char *, uint32_t n) { return Note(0, n), 1; }
const char16_t *SDLL_STDCALL EngineString(uint32_t c, const char *s, const char *k) {
  return Note(2, c, s, k), g_folder;
}
int32_t SDLL_STDCALL ShowMessage(const char *, const char *s, uint32_t b) {
  return Note(5, s, b), 1;
}
int32_t SDLL_STDCALL GameInteger(uint32_t c, const char *s, const char *k) {
  return Note(6, c, s, k), 0;
}
const char16_t *SDLL_STDCALL GameString(uint32_t c, const char *s, const char *k) {
  return Note(7, c, s, k), u"m x";
}
int32_t SDLL_STDCALL VerifyFile(const char *folder, const char *file) {
  if (g_allocation == 0) g_allocation = platform::TaskSize(folder);
  return Note(11, folder, file), 1;
}
int32_t SDLL_STDCALL ContentFlags(uint32_t c, uint32_t flags) { return Note(12, c, flags), 1; }
int32_t SDLL_STDCALL EngineValid(uint32_t c, int32_t valid) { return Note(24, c, valid), 1; }
template <typename F>
SdllService S(F f) {
  return reinterpret_cast<SdllService>(f);
}

class Boundary : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    // The launcher's table, slot by slot; a call to any other slot finds
    // it empty and is seen as a call that did not happen.
    const std::pair<uint32_t, SdllService> table[] = {
        {0, S(&SetConfiguration)}, {2, S(&EngineString)}, {5, S(&ShowMessage)},
        {6, S(&GameInteger)},      {7, S(&GameString)},   {11, S(&VerifyFile)},
        {12, S(&ContentFlags)},    {24, S(&EngineValid)}};
    for (uint32_t slot = 0; slot < 25; ++slot) plugin().InitCall(slot, nullptr);
    for (const auto &[slot, service] : table) plugin().InitCall(slot, service);
    // Init: eight bytes of name, the engine code, and the latest context
    // (77, not the host's) in every call after it.
    char name[16];
    std::memset(name, 'x', sizeof name);
    uint16_t code = 0;
    EXPECT_EQ(plugin().Init(77, name, &code), 0);
    EXPECT_EQ(std::memcmp(name, "Wolf ET\0x", 9), 0) << "wrote other than 8 bytes";
    EXPECT_EQ(code, 29);
    g_seen.clear();
    g_folder = u"";
    g_allocation = 0;
  }
  std::vector<std::string> Seen() { return std::exchange(g_seen, {}); }
  using V = std::vector<std::string>;
};

TEST_F(Boundary, EachExportCallsItsServicesInTheirSlotsInOrder) {
  EXPECT_EQ(plugin().Init(77, nullptr, nullptr), 0);
  EXPECT_EQ(host.display_name() + std::to_string(host.engine_code()), "Wolf ET29");
  EXPECT_EQ(std::to_string(host.context()) + std::to_string(host.engine_valid()), "24301-1");
  EXPECT_EQ(plugin().EngineConfig(), 0);
  EXPECT_EQ(Seen(), (V{"2: 77 general enginepath", "24: 77 0"}));
  g_folder = u"/no/such/folder/";
  EXPECT_EQ(plugin().EngineConfig(), 1);
  EXPECT_EQ(Seen(), (V{"2: 77 general enginepath", "5: Wolf ET 48", "24: 77 0"}));
  // Only the content flags 0x4000 name a content file.
  g_folder = u"C:\\ET\\";
  for (uint32_t flags : {0x4000u, 0u, 0x3FFFu, 0x4001u, 0xC000u}) {
    plugin().Verification(flags);
    EXPECT_EQ(Seen(), (V{"2: 77 general enginepath", "11: C:\\ET\\ et.exe",
                         flags == 0x4000 ? "11: C:\\ET\\ pak0.pk3" : "11: C:\\ET\\ "}));
  }
  EXPECT_EQ(plugin().LoadConfiguration(), 0);
  ASSERT_EQ(Seen().size(), 1u);
#ifndef _WIN32  // the Windows flow has its own launch, through the shell
  g_folder = u"/no/such/folder/";
  plugin().LaunchMultiplayer(0x4000, 3, 3, 0, nullptr, "P");
  const std::string type = "6: 77 general type";
  EXPECT_EQ(Seen(), (V{"2: 77 general enginepath", "2: 77 general parameters", type, type, type,
                       type, "6: 77 general allowdownload", type, "7: 77 general map"}));
  EXPECT_EQ(plugin().MultiplayerFinished(), 1);
#endif
  // A folder that holds et.exe: the content flags before the verdict.
  const std::string prefix = (std::filesystem::temp_directory_path() / "sdll-boundary-").string();
  std::ofstream(prefix + "et.exe") << "";
  const std::u16string folder = hostkit::Settings::FromUtf8(prefix);
  g_folder = folder.c_str();
  EXPECT_EQ(plugin().EngineConfig(), 0);
  std::filesystem::remove(prefix + "et.exe");
  EXPECT_EQ(Seen(), (V{"2: 77 general enginepath", "12: 77 16384", "24: 77 1"}));
}

TEST_F(Boundary, SlotsPastTheTableAreIgnoredAndTheLatestPointerWins) {
  plugin().InitCall(25, S(&EngineValid));
  plugin().InitCall(0xFFFFFFFFu, nullptr);
  plugin().InitCall(24, S(&ContentFlags));
  plugin().EngineConfig();
  EXPECT_EQ(Seen(), (V{"2: 77 general enginepath", "12: 77 0"}));
  // Empty slots: no text is the empty folder, the verdict goes nowhere.
  plugin().InitCall(2, nullptr);
  g_allocation = 1;  // a literal "", not task memory: nothing to measure
  plugin().InitCall(24, nullptr);
  EXPECT_EQ(plugin().EngineConfig(), 0);
  plugin().Verification(0x4000);
  EXPECT_EQ(Seen(), (V{"11:  et.exe", "11:  pak0.pk3"}));
}

TEST_F(Boundary, HostTextsBecomeWindows1252InTwoBytesPerUnit) {
  // Every byte of the 0x80-0x9F block, its neighbours at the edges of
  // ASCII and Latin-1, then what 1252 lacks: one '?' per unit.
  std::u16string text = u"\u007F" + std::u16string(kCp1252High, 32);
  std::string bytes = "\x7F" + kHighBytes;
  text += u"\u00A0\u00FF\u0080\u009F\u0100\u0416\xD800x\U0001F600";  // C1 controls: '?'
#ifdef _WIN32
  bytes +=
      "\xA0\xFF??"
      "A??x??";  // Windows gives U+0100 its best fit
#else
  bytes += "\xA0\xFF?????x??";
#endif
  for (const auto &[host_text, expected] : {std::pair<std::u16string, std::string>{u"", ""},
                                            {u"C:\\Games\\E", "C:\\Games\\E"},
                                            {text, bytes}}) {
    g_folder = host_text.c_str();
    g_allocation = 0;
    plugin().Verification(0);
    EXPECT_EQ(Seen().at(1), "11: " + expected + " et.exe");
    EXPECT_EQ(g_allocation, 2 * (host_text.size() + 1));
  }
  g_folder = nullptr;
  plugin().Verification(0);
  EXPECT_EQ(Seen().at(1), "11:  et.exe");
  char two[2];
  EXPECT_EQ(platform::WideToAnsi(u"ab", 3, two, 2), 0) << "the converter gives all or nothing";
}

}  // namespace
