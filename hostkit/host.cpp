#include "host.h"

#include <algorithm>
#include <array>
#include <thread>
#include <utility>

namespace hostkit {

namespace {
Host *g_current = nullptr;
}  // namespace

/* The one door from the services into their host's private state. */
struct ServiceSink {
  static void Record(std::string service, std::vector<std::string> args) {
    g_current->calls_.push_back(Call{std::move(service), std::move(args)});
  }
  static void Schema(const char *text, uint32_t size) {
    g_current->schema_ = text != nullptr ? std::string(text, size) : std::string();
  }
  static void Message(const char *text, const char *caption, uint32_t style) {
    g_current->report_.message =
        ShownMessage{text != nullptr ? text : "", caption != nullptr ? caption : "", style};
  }
  static void VerifyFile(const char *folder, const char *file) {
    g_current->report_.verify_files.push_back(
        hostkit::VerifyFile{folder != nullptr ? folder : "", file != nullptr ? file : ""});
  }
  static void ContentFlags(uint32_t flags) {
    g_current->content_flags_ = flags;
    g_current->report_.content_flags = flags;
  }
  static void EngineValid(int32_t valid) {
    g_current->engine_valid_ = valid;
    g_current->report_.verdict = valid;
  }
};

namespace {

std::string Int(int64_t value) { return std::to_string(value); }
std::string Text(const char *text) { return text != nullptr ? std::string(text) : "(null)"; }

const char16_t *ReadText(Page page, const char *section, const char *key) {
  if (section == nullptr || key == nullptr) return nullptr;
  const SettingValue *value = g_current->settings().Find(page, section, key);
  return value != nullptr ? value->text.c_str() : nullptr;
}

/* ---- the services --------------------------------------------------- */

int32_t SDLL_STDCALL SetConfiguration(const char *text, uint32_t size) {
  ServiceSink::Record("HostSetConfiguration", {Int(size)});
  ServiceSink::Schema(text, size);
  return 1;
}

const SdllWideChar *SDLL_STDCALL GetEngineString(uint32_t context, const char *section,
                                                 const char *key) {
  ServiceSink::Record("HostGetEngineString", {Int(context), Text(section), Text(key)});
  return ReadText(Page::kEngine, section, key);
}

int32_t SDLL_STDCALL ShowMessage(const char *message, const char *caption, uint32_t style) {
  ServiceSink::Record("HostMessageBox", {Text(message), Text(caption), Int(style)});
  ServiceSink::Message(message, caption, style);
  return 1; /* IDOK */
}

int32_t SDLL_STDCALL GetGameInteger(uint32_t context, const char *section, const char *key) {
  ServiceSink::Record("HostGetGameInteger", {Int(context), Text(section), Text(key)});
  if (section == nullptr || key == nullptr) return 0;
  const SettingValue *value = g_current->settings().Find(Page::kMultiplayer, section, key);
  return value != nullptr ? value->integer : 0;
}

const SdllWideChar *SDLL_STDCALL GetGameString(uint32_t context, const char *section,
                                               const char *key) {
  ServiceSink::Record("HostGetGameString", {Int(context), Text(section), Text(key)});
  return ReadText(Page::kMultiplayer, section, key);
}

int32_t SDLL_STDCALL AddVerifyFile(const char *folder, const char *file) {
  ServiceSink::Record("HostAddVerifyFile", {Text(folder), Text(file)});
  ServiceSink::VerifyFile(folder, file);
  return 1;
}

int32_t SDLL_STDCALL SetContentFlags(uint32_t context, uint32_t flags) {
  ServiceSink::Record("HostSetContentFlags", {Int(context), Int(flags)});
  ServiceSink::ContentFlags(flags);
  return 1;
}

/* This host keeps no extra files for a game: a count of 0, and no names. */
int32_t SDLL_STDCALL GetFileCount(uint32_t context) {
  ServiceSink::Record("HostGetFileCount", {Int(context)});
  return 0;
}

const SdllWideChar *SDLL_STDCALL GetFileName(uint32_t context, int32_t index) {
  ServiceSink::Record("HostGetFileName", {Int(context), Int(index)});
  return nullptr;
}

int32_t SDLL_STDCALL SetEngineValid(uint32_t context, int32_t valid) {
  ServiceSink::Record("HostSetEngineValid", {Int(context), Int(valid)});
  ServiceSink::EngineValid(valid);
  return 1;
}

/* Slots the plug-in accepts but never calls. Their real signatures are the
 * launcher's business; the stub takes nothing, so a call would show up in
 * the record (and, on 32-bit x86, as a corrupted stack). */
template <uint32_t N>
void SDLL_STDCALL Unused() {
  ServiceSink::Record("HostSlot" + std::to_string(N), {});
}

template <uint32_t... N>
SdllService UnusedFor(uint32_t slot, std::integer_sequence<uint32_t, N...>) {
  static const std::array<SdllService, sizeof...(N)> table = {
      reinterpret_cast<SdllService>(&Unused<N>)...};
  return table[slot];
}

}  // namespace

SdllService ServiceFor(uint32_t slot) {
  switch (slot) {
    case kSlotSetConfiguration:
      return reinterpret_cast<SdllService>(&SetConfiguration);
    case kSlotGetEngineString:
      return reinterpret_cast<SdllService>(&GetEngineString);
    case kSlotMessageBox:
      return reinterpret_cast<SdllService>(&ShowMessage);
    case kSlotGetGameInteger:
      return reinterpret_cast<SdllService>(&GetGameInteger);
    case kSlotGetGameString:
      return reinterpret_cast<SdllService>(&GetGameString);
    case kSlotAddVerifyFile:
      return reinterpret_cast<SdllService>(&AddVerifyFile);
    case kSlotSetContentFlags:
      return reinterpret_cast<SdllService>(&SetContentFlags);
    case kSlotGetFileCount:
      return reinterpret_cast<SdllService>(&GetFileCount);
    case kSlotGetFileName:
      return reinterpret_cast<SdllService>(&GetFileName);
    case kSlotSetEngineValid:
      return reinterpret_cast<SdllService>(&SetEngineValid);
    default:
      if (slot >= kSlotCount) return nullptr;
      return UnusedFor(slot, std::make_integer_sequence<uint32_t, kSlotCount>{});
  }
}

Host::Host() = default;

Host::~Host() {
  if (g_current == this) g_current = nullptr;
}

Host *Host::Current() { return g_current; }

bool Host::Load(const std::string &path, std::string *error) {
  exports_ = Exports{};
  if (!library_.Open(path, error) || !library_.Resolve(&exports_, error)) {
    library_.Close();
    return false;
  }
  g_current = this;
  return true;
}

int32_t Host::Start(uint32_t context) {
  for (uint32_t slot = 0; slot < kSlotCount; ++slot) exports_.InitCall(slot, ServiceFor(slot));
  char name[64] = {};
  uint16_t code = 0;
  context_ = context;
  int32_t result = exports_.Init(context, name, &code);
  name[sizeof name - 1] = '\0';
  display_name_ = name;
  engine_code_ = code;
  return result;
}

std::vector<Call> Host::CallsTo(const std::string &service) const {
  std::vector<Call> out;
  for (const Call &call : calls_)
    if (call.service == service) out.push_back(call);
  return out;
}

Host::SchemaLoad Host::ReadSchema() {
  SchemaLoad load;
  schema_.clear();
  load.answer = exports_.LoadConfiguration();
  if (load.answer != 0) return load;
  Schema parsed;
  SchemaError parse_error;
  if (!ParseSchema(schema_, &parsed, &parse_error)) {
    load.parse_error = parse_error;
    return load;
  }
  parsed_schema_ = std::move(parsed);
  ApplyDefaults(parsed_schema_, &settings_);
  return load;
}

bool Host::LoadSchema(std::string *error) {
  const SchemaLoad load = ReadSchema();
  if (load.ok()) return true;
  if (error == nullptr) return false;
  if (load.answer != 0)
    *error = "SDLL_LoadConfiguration gave " + std::to_string(load.answer) + ", no settings schema";
  else
    *error = "settings schema: " + Describe(*load.parse_error);
  return false;
}

EngineCheck Host::CheckEngine() {
  report_ = Report{};
  EngineCheck check;
  check.result = exports_.EngineConfig();
  check.verdict = report_.verdict;
  check.content_flags = report_.content_flags;
  check.message = report_.message;
  return check;
}

std::vector<VerifyFile> Host::VerifyFiles(uint32_t content_flags) {
  report_ = Report{};
  exports_.Verification(content_flags);
  return std::move(report_.verify_files);
}

void Host::Launch(const GameLaunch &launch) {
  /* The plug-in reads a list's first length even when it hosts. */
  static const unsigned char kEmptyList[2] = {0, 0};
  report_ = Report{};
  exports_.LaunchMultiplayer(launch.content_flags, launch.server_index, launch.hosting_index, 0,
                             launch.server_list.empty() ? kEmptyList : launch.server_list.data(),
                             launch.player.c_str());
}

GameEnd Host::PollUntilFinished(std::chrono::milliseconds interval, double timeout_s,
                                const std::function<bool(double)> &waiting) {
  const auto start = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  GameEnd end;
  for (;;) {
    ++end.polls;
    if (exports_.MultiplayerFinished() == 1) {
      end.ended = true;
      break;
    }
    if (timeout_s > 0 && elapsed() >= timeout_s) break;
    if (waiting && !waiting(elapsed())) break;
    /* The last nap ends at the time limit, not an interval past it. */
    std::chrono::duration<double> nap = interval;
    if (timeout_s > 0) nap = std::min(nap, std::chrono::duration<double>(timeout_s - elapsed()));
    std::this_thread::sleep_for(nap);
  }
  end.seconds = elapsed();
  return end;
}

}  // namespace hostkit
