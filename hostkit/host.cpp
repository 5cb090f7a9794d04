#include "host.h"

#include <utility>

namespace hostkit {
namespace {

Host *g_current = nullptr;

std::string Int(int64_t value) { return std::to_string(value); }
std::string Text(const char *text) { return text != nullptr ? std::string(text) : "(null)"; }

const char16_t *ReadText(Page page, const char *section, const char *key) {
  if (section == nullptr || key == nullptr) return nullptr;
  const SettingValue *value = g_current->settings().Find(page, section, key);
  return value != nullptr ? value->text.c_str() : nullptr;
}

/* ---- the services --------------------------------------------------- */

int32_t SDLL_STDCALL SetConfiguration(const char *text, uint32_t size) {
  g_current->Record("HostSetConfiguration", {Int(size)});
  g_current->OnSchema(text, size);
  return 1;
}

const SdllWideChar *SDLL_STDCALL GetEngineString(uint32_t context, const char *section,
                                                 const char *key) {
  g_current->Record("HostGetEngineString", {Int(context), Text(section), Text(key)});
  return ReadText(Page::kEngine, section, key);
}

int32_t SDLL_STDCALL ShowMessage(const char *message, const char *caption, uint32_t style) {
  g_current->Record("HostMessageBox", {Text(message), Text(caption), Int(style)});
  return 1; /* IDOK */
}

int32_t SDLL_STDCALL GetGameInteger(uint32_t context, const char *section, const char *key) {
  g_current->Record("HostGetGameInteger", {Int(context), Text(section), Text(key)});
  if (section == nullptr || key == nullptr) return 0;
  const SettingValue *value = g_current->settings().Find(Page::kMultiplayer, section, key);
  return value != nullptr ? value->integer : 0;
}

const SdllWideChar *SDLL_STDCALL GetGameString(uint32_t context, const char *section,
                                               const char *key) {
  g_current->Record("HostGetGameString", {Int(context), Text(section), Text(key)});
  return ReadText(Page::kMultiplayer, section, key);
}

int32_t SDLL_STDCALL AddVerifyFile(const char *folder, const char *file) {
  g_current->Record("HostAddVerifyFile", {Text(folder), Text(file)});
  return 1;
}

int32_t SDLL_STDCALL SetContentFlags(uint32_t context, uint32_t flags) {
  g_current->Record("HostSetContentFlags", {Int(context), Int(flags)});
  g_current->OnContentFlags(flags);
  return 1;
}

/* This host keeps no extra files for a game: a count of 0, and no names. */
int32_t SDLL_STDCALL GetFileCount(uint32_t context) {
  g_current->Record("HostGetFileCount", {Int(context)});
  return 0;
}

const SdllWideChar *SDLL_STDCALL GetFileName(uint32_t context, int32_t index) {
  g_current->Record("HostGetFileName", {Int(context), Int(index)});
  return nullptr;
}

int32_t SDLL_STDCALL SetEngineValid(uint32_t context, int32_t valid) {
  g_current->Record("HostSetEngineValid", {Int(context), Int(valid)});
  g_current->OnEngineValid(valid);
  return 1;
}

/* Slots the plug-in accepts but never calls. Their real signatures are the
 * launcher's business; the stub takes nothing, so a call would show up in
 * the record (and, on 32-bit x86, as a corrupted stack). */
template <uint32_t N>
void SDLL_STDCALL Unused() {
  g_current->Record("HostSlot" + std::to_string(N), {});
}

template <uint32_t... N>
SdllService UnusedFor(uint32_t slot, std::integer_sequence<uint32_t, N...>) {
  static const SdllService table[] = {reinterpret_cast<SdllService>(&Unused<N>)...};
  return table[slot];
}

}  // namespace

SdllService ServiceFor(uint32_t slot) {
  switch (slot) {
    case kSlotSetConfiguration: return reinterpret_cast<SdllService>(&SetConfiguration);
    case kSlotGetEngineString: return reinterpret_cast<SdllService>(&GetEngineString);
    case kSlotMessageBox: return reinterpret_cast<SdllService>(&ShowMessage);
    case kSlotGetGameInteger: return reinterpret_cast<SdllService>(&GetGameInteger);
    case kSlotGetGameString: return reinterpret_cast<SdllService>(&GetGameString);
    case kSlotAddVerifyFile: return reinterpret_cast<SdllService>(&AddVerifyFile);
    case kSlotSetContentFlags: return reinterpret_cast<SdllService>(&SetContentFlags);
    case kSlotGetFileCount: return reinterpret_cast<SdllService>(&GetFileCount);
    case kSlotGetFileName: return reinterpret_cast<SdllService>(&GetFileName);
    case kSlotSetEngineValid: return reinterpret_cast<SdllService>(&SetEngineValid);
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

void Host::Record(std::string service, std::vector<std::string> args) {
  calls_.push_back(Call{std::move(service), std::move(args)});
}

bool Host::LoadSchema(std::string *error) {
  schema_.clear();
  const int32_t result = exports_.LoadConfiguration();
  if (result != 0) {
    if (error != nullptr)
      *error = "SDLL_LoadConfiguration gave " + std::to_string(result) + ", no settings schema";
    return false;
  }
  Schema parsed;
  SchemaError parse_error;
  if (!ParseSchema(schema_, &parsed, &parse_error)) {
    if (error != nullptr) *error = "settings schema: " + Describe(parse_error);
    return false;
  }
  parsed_schema_ = std::move(parsed);
  ApplyDefaults(parsed_schema_, &settings_);
  return true;
}

void Host::OnSchema(const char *text, uint32_t size) {
  schema_ = text != nullptr ? std::string(text, size) : std::string();
}

}  // namespace hostkit
