// The host boundary through the loaded library, pinned to the launcher's
// numbers written here, not taken from the shared header.
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "support/files.h"
#include "support/loaded_plugin.h"

namespace {

namespace fs = std::filesystem;

// The launcher's numbers.
constexpr uint32_t kSlotCount = 25;
constexpr uint32_t kContextGiven = 77;  // what these tests hand SDLL_Init
constexpr uint16_t kEngineCode = 29;
constexpr int32_t kNoVerdictYet = -1;  // the host's engine_valid() before any report
constexpr size_t kMaxPath = 260;       // the ANSI file calls' longest path, its NUL included
const std::string kGame = "et.exe";
const std::string kScript = "etmain\\launch.cfg";

std::vector<std::string> g_seen;  // "slot: arguments", in call order
const char16_t *g_folder = u"";   // what slot 2 answers for every key
size_t g_allocation = 0;          // task memory behind the folder text of slot 11
std::string T(const char *text) { return text != nullptr ? text : "(null)"; }
std::string T(int64_t value) { return std::to_string(value); }
// Notes the call in g_seen and gives the stub's answer back.
template <typename R, typename... A>
R Noted(R answer, int slot, A... args) {
  std::string line = std::to_string(slot) + ":";
  for (const std::string &arg : {T(args)...}) line += " " + arg;
  g_seen.push_back(line);
  return answer;
}

// One stub per service, with the launcher's signature: on 32-bit x86 a
// wrong argument count would unbalance the stack.
int32_t SDLL_STDCALL SetConfiguration(const char *, uint32_t n) { return Noted(1, 0, n); }
const char16_t *SDLL_STDCALL EngineString(uint32_t c, const char *s, const char *k) {
  return Noted(g_folder, 2, c, s, k);
}
int32_t SDLL_STDCALL ShowMessage(const char *, const char *s, uint32_t b) {
  return Noted(1, 5, s, b);
}
int32_t SDLL_STDCALL GameInteger(uint32_t c, const char *s, const char *k) {
  return Noted(0, 6, c, s, k);
}
const char16_t *SDLL_STDCALL GameString(uint32_t c, const char *s, const char *k) {
  return Noted(u"m x", 7, c, s, k);
}
int32_t SDLL_STDCALL VerifyFile(const char *folder, const char *file) {
  if (g_allocation == 0) g_allocation = platform::TaskSize(folder);
  return Noted(1, 11, folder, file);
}
int32_t SDLL_STDCALL ContentFlags(uint32_t c, uint32_t flags) { return Noted(1, 12, c, flags); }
int32_t SDLL_STDCALL EngineValid(uint32_t c, int32_t valid) { return Noted(1, 24, c, valid); }
template <typename F>
SdllService S(F f) {
  return reinterpret_cast<SdllService>(f);
}

// The calls each engine check makes, as the stubs note them.
const std::string kReadFolder = "2: 77 general enginepath";
const std::string kWarning = "5: Wolf ET 48";  // caption, MB_ICONEXCLAMATION | MB_OK
const std::string kContentReport = "12: 77 " + std::to_string(kContentFlags);
const std::string kUsable = "24: 77 1";
const std::string kNotUsable = "24: 77 0";

// A scratch folder of this process's own, gone with the object.
struct Scratch {
  ~Scratch() { fs::remove_all(path); }
  fs::path path = MakeScratch();
};

// An engine folder text of exactly `length` bytes that names `folder`:
// "./" steps pad it, and an odd byte left over starts the names joined to
// it ("x" + "et.exe"). `prefix` is that start, to put the files under.
std::string FolderText(const fs::path &folder, size_t length, std::string *prefix) {
  std::string text = folder.string() + "/";
  while (text.size() + 2 <= length) text += "./";
  *prefix = text.size() < length ? "x" : "";
  return text + *prefix;
}

class Boundary : public LoadedPlugin {
 protected:
  void SetUp() override {
    LoadedPlugin::SetUp();
    // A call to a slot left out finds it empty and is seen as a call that did not happen.
    const std::pair<uint32_t, SdllService> table[] = {
        {0, S(&SetConfiguration)}, {2, S(&EngineString)}, {5, S(&ShowMessage)},
        {6, S(&GameInteger)},      {7, S(&GameString)},   {11, S(&VerifyFile)},
        {12, S(&ContentFlags)},    {24, S(&EngineValid)}};
    for (uint32_t slot = 0; slot < kSlotCount; ++slot) plugin().InitCall(slot, nullptr);
    for (const auto &[slot, service] : table) plugin().InitCall(slot, service);
    char name[16];
    std::memset(name, 'x', sizeof name);
    uint16_t code = 0;
    EXPECT_EQ(plugin().Init(kContextGiven, name, &code), 0) << "SDLL_Init always answers 0";
    EXPECT_EQ(std::memcmp(name, "Wolf ET\0x", 9), 0) << "the name is 8 bytes, NUL included";
    EXPECT_EQ(code, kEngineCode) << "the host's engine code";
    g_seen.clear();
    g_folder = u"";
    g_allocation = 0;
  }
  std::vector<std::string> Seen() { return std::exchange(g_seen, {}); }
  void SetFolder(const std::string &text) {
    folder_ = hostkit::Settings::FromUtf8(text);
    g_folder = folder_.c_str();
  }
  using V = std::vector<std::string>;

 private:
  std::u16string folder_;
};

TEST_F(Boundary, SetUpTakesNoBuffersAndTheLatestPointerInTheTableWins) {
  EXPECT_EQ(plugin().Init(kContextGiven, nullptr, nullptr), 0) << "no name or code buffer";
  EXPECT_EQ(Seen(), V{}) << "SDLL_Init and SDLL_InitCall call no service";
  EXPECT_EQ(host.display_name(), "Wolf ET") << "the name the host got at its start";
  EXPECT_EQ(host.engine_code(), kEngineCode) << "the code the host got at its start";
  EXPECT_EQ(host.context(), LoadedPlugin::kContext) << "the host keeps its own context";
  EXPECT_EQ(host.engine_valid(), kNoVerdictYet) << "the host's services are replaced";

  plugin().InitCall(kSlotCount, S(&EngineValid));
  plugin().InitCall(0xFFFFFFFFu, nullptr);
  plugin().InitCall(24, S(&ContentFlags));
  plugin().EngineConfig();
  EXPECT_EQ(Seen(), (V{kReadFolder, "12: 77 0"})) << "slot 24 now reaches the content stub";
  // Empty slots: no text is the empty folder, the verdict goes nowhere.
  plugin().InitCall(2, nullptr);
  g_allocation = 1;  // a literal "", not task memory: nothing to measure
  plugin().InitCall(24, nullptr);
  EXPECT_EQ(plugin().EngineConfig(), 0) << "an empty slot 2 reads as the empty setting";
  plugin().Verification(kContentFlags);
  EXPECT_EQ(Seen(), (V{"11:  et.exe", "11:  pak0.pk3"})) << "the empty folder text, never null";
}

TEST_F(Boundary, OnlyTheContentFlags0x4000NameAContentFileAndTheSchemaGoesToSlot0) {
  g_folder = u"C:\\ET\\";
  for (uint32_t flags : {kContentFlags, 0u, kContentFlags - 1, kContentFlags + 1, 0xC000u}) {
    plugin().Verification(flags);
    const std::string content = flags == kContentFlags ? "11: C:\\ET\\ pak0.pk3" : "11: C:\\ET\\ ";
    EXPECT_EQ(Seen(), (V{kReadFolder, "11: C:\\ET\\ et.exe", content}))
        << "et.exe, then the content file for flags " << flags;
  }
  ASSERT_FALSE(SchemaText().empty()) << "settings.cfg is readable";
  EXPECT_EQ(plugin().LoadConfiguration(), 0) << "handed over";
  EXPECT_EQ(Seen(), V{"0: " + std::to_string(SchemaText().size())})
      << "one call with the bytes of settings.cfg";
}

// Paths are joined within MAX_PATH: a folder text too long for et.exe is
// a folder without it, one byte shorter is checked as any other.
TEST_F(Boundary, AFolderTooLongForEtExeWithinMaxPathHasNoEtExe) {
  Scratch scratch;
  const size_t longest = kMaxPath - 1 - kGame.size();
  for (size_t length : {longest, longest + 1}) {
    std::string prefix;
    SetFolder(FolderText(scratch.path, length, &prefix));
    ASSERT_EQ(std::u16string(g_folder).size(), length) << "the folder text's length";
    WriteFile((scratch.path / (prefix + kGame)).string(), "");
    const bool fits = length == longest;
    EXPECT_EQ(plugin().EngineConfig(), fits ? 0 : 1) << "warned only past the limit: " << length;
    const V usable{kReadFolder, kContentReport, kUsable};
    const V missing{kReadFolder, kWarning, kNotUsable};
    EXPECT_EQ(Seen(), fits ? usable : missing)
        << "a path of " << length + kGame.size() << " bytes and the NUL";
  }
}

#ifndef _WIN32  // the Windows flow has its own launch, through the shell
TEST_F(Boundary, AHostedLaunchReadsTheSettingsInItsFixedOrder) {
  SetFolder("/no/such/folder/");
  plugin().LaunchMultiplayer(kContentFlags, 3, 3, 0, nullptr, "P");
  const std::string type = "6: 77 general type";
  EXPECT_EQ(Seen(), (V{kReadFolder, "2: 77 general parameters", type, type, type, type,
                       "6: 77 general allowdownload", type, "7: 77 general map"}))
      << "the folder, the parameters, four types, the download, a type, the map";
  EXPECT_EQ(plugin().MultiplayerFinished(), 1) << "nothing was started";
}

// Within the limit the script is written (its backup name would be too
// long, so the old script is overwritten); past it nothing is written or
// moved, and the host hears the same reads.
TEST_F(Boundary, AFolderTooLongForTheScriptWithinMaxPathGetsNoScript) {
  const std::string kOldScript = "old\r\n";
  Scratch scratch;
  const size_t longest = kMaxPath - 1 - kScript.size();
  for (size_t length : {longest, longest + 1}) {
    std::string prefix;
    SetFolder(FolderText(scratch.path, length, &prefix));
    const fs::path script = scratch.path / (prefix + "etmain") / "launch.cfg";
    fs::create_directories(script.parent_path());
    WriteFile(script.string(), kOldScript);
    plugin().LaunchMultiplayer(kContentFlags, 1, 2, 0, nullptr, "P");
    const bool fits = length == longest;
    EXPECT_EQ(ReadFile(script.string()), fits ? "name P\r\nconnect \r\n" : kOldScript)
        << "written only within the limit: " << length;
    EXPECT_FALSE(fs::exists(script.string() + ".bak")) << "no backup of " << length;
    EXPECT_EQ(Seen(), (V{kReadFolder, "2: 77 general parameters"})) << "the same reads";
    EXPECT_EQ(plugin().MultiplayerFinished(), 1) << "nothing was started";
  }
}
#endif

TEST_F(Boundary, HostTextsBecomeWindows1252InTwoBytesPerUnit) {
  // Every byte of the 0x80-0x9F block, its neighbours at the edges of
  // ASCII and Latin-1, then what 1252 lacks (C1 controls too): one '?' per unit.
  const std::u16string text = u"\u007F" + std::u16string(kCp1252High, 32) +
                              u"\u00A0\u00FF\u0080\u009F\u0100\u0416\xD800x\U0001F600";
#ifdef _WIN32
  const std::string bytes = "\x7F" + kHighBytes + "\xA0\xFF??A??x??";  // U+0100's best fit
#else
  const std::string bytes = "\x7F" + kHighBytes + "\xA0\xFF?????x??";
#endif
  for (const auto &[host_text, expected] : {std::pair<std::u16string, std::string>{u"", ""},
                                            {u"C:\\Games\\E", "C:\\Games\\E"},
                                            {text, bytes}}) {
    g_folder = host_text.c_str();
    g_allocation = 0;
    plugin().Verification(0);
    EXPECT_EQ(Seen().at(1), "11: " + expected + " et.exe") << "the folder as the host gave it";
    EXPECT_EQ(g_allocation, 2 * (host_text.size() + 1)) << "two bytes per unit, NUL included";
  }
  g_folder = nullptr;
  plugin().Verification(0);
  EXPECT_EQ(Seen().at(1), "11:  et.exe") << "no text is the empty text";
  char two[2];
  EXPECT_EQ(platform::WideToAnsi(u"ab", 3, two, 2), 0) << "the converter gives all or nothing";
  EXPECT_EQ(platform::WideToAnsi(u"a", 1, two, 1), 1) << "one unit fills a one-byte buffer";
}

}  // namespace
