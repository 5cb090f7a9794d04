// host: a game of our own, with the multiplayer settings; and the
// terminal's view of every launch (join's too): the script, the game's own
// output passed through, a status line while it runs, then its end.
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "console.h"
#include "os.h"
#include "program.h"

namespace wolfet_host {
namespace {

void ShowScript(const std::string &path, const std::string &bytes) {
  std::cout << "launch script " << path << ":\n";
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::cout << "  " << line << "\n";
  }
}

/* The game shares the terminal: what it writes comes through the host,
 * which clears its status line first, and Ctrl-C or SIGTERM only end the
 * wait, so the colour can be put back. */
class TerminalWatcher : public LaunchWatcher {
 public:
  explicit TerminalWatcher(int interval_ms) : interval_ms_(interval_ms) {}
  ~TerminalWatcher() override { Finish(); }

  void Note(const std::string &text) override { std::cerr << "note: " << text << "\n"; }
  void Starting(const std::string &what) override {
    std::cout << what << " (SDLL_LaunchMultiplayer)\n";
    output_.emplace(status_.live());
  }
  void Launched() override { output_->Started(); }
  void Started(const std::string &script_path, const std::string &script) override {
    ShowScript(script_path, script);
    std::cout << "waiting for the game to end (SDLL_MultiplayerFinished every " << interval_ms_
              << " ms)\n"
              << std::flush;
  }
  const char *Running(double seconds) override {
    if (const char *by = os::StopRequested()) return by;
    output_->Drain([this] { status_.Clear(); });
    if (output_->AtLineStart()) status_.Show("game running, " + SecondsText(seconds));
    return nullptr;
  }
  /* The game's last words, and the status line gone. */
  void Finish() {
    if (!output_) return;
    output_->Drain([this] { status_.Clear(); });
    status_.Clear();
    output_->EndLine();
  }

 private:
  int interval_ms_;
  os::StopSignals stop_signals_;
  StatusLine status_;
  std::optional<os::GameOutput> output_;
};

}  // namespace

LaunchOutcome RunLaunch(Session &session, const LaunchRequest &request) {
  TerminalWatcher watcher(request.interval_ms);
  const LaunchOutcome outcome = Launch(session, request, watcher);
  watcher.Finish();
  std::cout << "the game ended after " << SecondsText(outcome.seconds) << " (" << outcome.polls
            << " polls)"
            << (outcome.polls == 1 ? "; it ended at the first poll: did it start at all?" : "")
            << "\n";
  std::cout << "highlight colour: " << ColourText(outcome.colour_after)
            << (outcome.colour_after == outcome.colour_before
                    ? ", as before the launch\n"
                    : ", changed from " + ColourText(outcome.colour_before) + "\n");
  return outcome;
}

void AddLaunchOptions(CLI::App &command, LaunchRequest &request) {
  command.add_option("--player", request.player, "The player name")->capture_default_str();
  command.add_option("--interval", request.interval_ms, "Milliseconds between polls")
      ->capture_default_str()
      ->transform(Decimal())
      ->check(CLI::Range(1, 10000));
  command
      .add_option("--timeout", request.timeout_s,
                  "Seconds to wait for the game to end (0: no limit)")
      ->capture_default_str()
      ->check(Seconds(0.0, 1e7));
  command.add_flag("--force", request.force,
                   "Launch all the same past a launch.cfg in the game's home folder (which the "
                   "game would run instead), and for join a kept server that needs a password "
                   "(which the launch cannot carry)");
}

void AddHostCommand(CLI::App &app, Context &context) {
  auto request = std::make_shared<LaunchRequest>();
  auto *host = app.add_subcommand(
      "host",
      "Host a game (SDLL_LaunchMultiplayer with the multiplayer settings), show the "
      "launch script and poll until the game ends");
  AddLaunchOptions(*host, *request);
  host->callback([&context, request] {
    request->hosting = true;
    RunLaunch(context.session(), *request);
  });
}

}  // namespace wolfet_host
