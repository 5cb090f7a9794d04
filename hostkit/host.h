/*
 * hostkit: a launcher host in miniature.
 *
 * It loads a plug-in library, hands it all 25 services, keeps the settings
 * that the plug-in reads back, and records every service call in order
 * with its arguments, so that tests and the command-line host can see
 * exactly what the plug-in asked and said.
 *
 * The services are plain stdcall functions. Those that take no context
 * argument (the schema hand-over, the message box, the verify list) cannot
 * tell which host they belong to, so every service reaches its Host through
 * one current-host pointer: the Host that loaded the plug-in last. One host
 * at a time per process, as with the real launcher.
 */
#ifndef HOSTKIT_HOST_H
#define HOSTKIT_HOST_H

#include <cstdint>
#include <string>
#include <vector>

#include <sdll/sdll.h>
#include "library.h"
#include "schema.h"
#include "settings.h"

namespace hostkit {

/* One service call as the host saw it. Integers are written in decimal,
 * texts as the bytes the plug-in passed. */
struct Call {
  std::string service;
  std::vector<std::string> args;
  bool operator==(const Call &other) const {
    return service == other.service && args == other.args;
  }
};

class Host {
 public:
  Host();
  ~Host();
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;

  /* Loads the plug-in and resolves its seven exports; false with a message
   * naming the file or the missing export. Makes this the current host. */
  bool Load(const std::string &path, std::string *error);

  /* SDLL_InitCall for every slot with this host's services, then SDLL_Init.
   * Returns SDLL_Init's result; fills display_name() and engine_code(). */
  int32_t Start(uint32_t context = 0x5EED);

  const Exports &plugin() const { return exports_; }
  uint32_t context() const { return context_; }
  const std::string &display_name() const { return display_name_; }
  uint16_t engine_code() const { return engine_code_; }

  Settings &settings() { return settings_; }
  const Settings &settings() const { return settings_; }

  /* Every service call since the last ClearCalls(), in order. */
  const std::vector<Call> &calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  std::vector<Call> CallsTo(const std::string &service) const;

  /* What the reporting services were last told. */
  const std::string &schema() const { return schema_; }

  /* Runs SDLL_LoadConfiguration, parses the text it handed over and fills
   * settings() with the schema's defaults. False, with the reason, when the
   * export fails or the text does not parse; the settings are then left as
   * they were. The parsed schema stays available as parsed_schema(). */
  bool LoadSchema(std::string *error);
  const Schema &parsed_schema() const { return parsed_schema_; }
  int32_t engine_valid() const { return engine_valid_; }
  uint32_t content_flags() const { return content_flags_; }

  /* The host whose services are live in this process, or null. */
  static Host *Current();

  /* Used by the service functions. */
  void Record(std::string service, std::vector<std::string> args);
  void OnSchema(const char *text, uint32_t size);
  void OnContentFlags(uint32_t flags) { content_flags_ = flags; }
  void OnEngineValid(int32_t valid) { engine_valid_ = valid; }

 private:
  Library library_;
  Exports exports_{};
  uint32_t context_ = 0;
  std::string display_name_;
  uint16_t engine_code_ = 0;
  Settings settings_;
  std::vector<Call> calls_;
  std::string schema_;
  Schema parsed_schema_;
  int32_t engine_valid_ = -1;
  uint32_t content_flags_ = 0;
};

/* The service this host puts in a slot (the 15 unused slots get a stub that
 * records a call to "HostSlotN", which the plug-in must never make). */
SdllService ServiceFor(uint32_t slot);

}  // namespace hostkit

#endif
