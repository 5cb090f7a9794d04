/*
 * hostkit: a launcher host in miniature.
 *
 * It loads a plug-in library, hands it all 25 services, keeps the settings
 * that the plug-in reads back, and hands what the plug-in reported back as
 * the typed result of the call that ran the export (CheckEngine,
 * VerifyFiles, ...). It also records every service call in order with its
 * arguments, so that tests can see exactly what the plug-in asked and said.
 *
 * The services are plain stdcall functions. Those that take no context
 * argument (the schema hand-over, the message box, the verify list) cannot
 * tell which host they belong to, so every service reaches its Host through
 * one current-host pointer: the Host that loaded the plug-in last. One host
 * at a time per process, as with the real launcher.
 */
#ifndef HOSTKIT_HOST_H
#define HOSTKIT_HOST_H

#include <sdll/sdll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

/* A message box the plug-in asked the host to show. */
struct ShownMessage {
  std::string text;
  std::string caption;
  uint32_t style = 0;
};

/* What SDLL_EngineConfig made of the engine folder. */
struct EngineCheck {
  int32_t result = 0;                    /* the export's own answer */
  std::optional<int32_t> verdict;        /* HostSetEngineValid's; none when not called */
  std::optional<uint32_t> content_flags; /* HostSetContentFlags'; none when not called */
  std::optional<ShownMessage> message;   /* the last message it showed, if any */
  bool valid() const { return verdict == 1; }
};

/* A file SDLL_Verification named: the engine folder as the plug-in read
 * it, and the file's name (empty when it names no content file). */
struct VerifyFile {
  std::string folder;
  std::string file;
  bool operator==(const VerifyFile &other) const {
    return folder == other.folder && file == other.file;
  }
};

/* The arguments of SDLL_LaunchMultiplayer. */
struct GameLaunch {
  uint32_t content_flags = 0;
  int32_t server_index = 0;
  int32_t hosting_index = 0;
  std::vector<unsigned char> server_list; /* packed; empty: no list */
  std::string player;
};

/* How the poll for the game's end went. */
struct GameEnd {
  bool ended = false; /* false: the time limit came first, or the wait was stopped */
  unsigned polls = 0;
  double seconds = 0; /* from the first poll to the last */
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
  int32_t engine_valid() const { return engine_valid_; }
  uint32_t content_flags() const { return content_flags_; }

  /* Runs SDLL_LoadConfiguration, parses the text it handed over and fills
   * settings() with the schema's defaults. A load that fails says why: the
   * export's answer when not 0, else where the text does not parse. The
   * settings are then left as they were. */
  struct SchemaLoad {
    int32_t answer = 0;
    std::optional<SchemaError> parse_error;
    bool ok() const { return answer == 0 && !parse_error; }
  };
  SchemaLoad ReadSchema();
  /* The same, the reason as one line. */
  bool LoadSchema(std::string *error);
  const Schema &parsed_schema() const { return parsed_schema_; }

  /* SDLL_EngineConfig, with what the plug-in reported during it. */
  EngineCheck CheckEngine();
  /* SDLL_Verification(flags): the files it named, in order. */
  std::vector<VerifyFile> VerifyFiles(uint32_t content_flags);
  /* SDLL_LaunchMultiplayer. */
  void Launch(const GameLaunch &launch);
  /* Polls SDLL_MultiplayerFinished every `interval` until it answers 1,
   * `timeout_s` (when above 0) has passed (the last interval is cut
   * short to it), or `waiting`, which hears the seconds so far after each
   * poll that found the game running, answers false. */
  GameEnd PollUntilFinished(std::chrono::milliseconds interval, double timeout_s,
                            const std::function<bool(double seconds)> &waiting = nullptr);

  /* The host whose services are live in this process, or null. */
  static Host *Current();

 private:
  /* The service functions report here, and nowhere else does. */
  friend struct ServiceSink;

  struct Report {
    std::optional<int32_t> verdict;
    std::optional<uint32_t> content_flags;
    std::optional<ShownMessage> message;
    std::vector<VerifyFile> verify_files;
  };

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
  Report report_; /* what the services heard since the last export began */
};

/* The service this host puts in a slot (the 15 unused slots get a stub that
 * records a call to "HostSlotN", which the plug-in must never make). */
SdllService ServiceFor(uint32_t slot);

}  // namespace hostkit

#endif
