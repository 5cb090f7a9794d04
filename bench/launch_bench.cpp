// The launch and the poll against the same work done without the plug-in:
// a poll while the game runs against a bare 1 ms wait, and a full launch
// against a backup, five lines written and the same program spawned.
// Prints the median of each and the ratios at the end; the paired runs,
// which alternate the two sides, hold up best on a busy machine.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "host.h"

#ifndef SDLL_FAKE_GAME_PATH
#define SDLL_FAKE_GAME_PATH ""
#endif

extern char **environ;

namespace {

namespace fs = std::filesystem;

hostkit::Host *g_host = nullptr;
std::string g_engine;  // with its trailing separator

void PollUntilEnded() {
  while (g_host->plugin().MultiplayerFinished() == 0) {
  }
}

void Launch() { g_host->plugin().LaunchMultiplayer(0x4000, 0, 0, 0, nullptr, "Player"); }

void BM_PollWhileGameRuns(benchmark::State &state) {
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  Launch();
  for (auto _ : state) benchmark::DoNotOptimize(g_host->plugin().MultiplayerFinished());
  std::ofstream(g_engine + "quit") << "";
  PollUntilEnded();
}

void BM_BareWait1ms(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(poll(nullptr, 0, 1));
}

void BM_Launch(benchmark::State &state) {
  setenv("FAKE_ET_RUN_MS", "0", 1);
  for (auto _ : state) {
    Launch();
    state.PauseTiming();
    PollUntilEnded();
    state.ResumeTiming();
  }
}

// Backup, the five lines, the spawn: what a launch does, without the plug-in.
pid_t DirectSteps() {
  static const std::string script = g_engine + "etmain/launch.cfg";
  static const std::string backup = script + ".bak";
  static const std::string program = g_engine + "et.exe";
  static char exec_arg[] = "+exec", name_arg[] = "launch.cfg";
  static char *argv[] = {const_cast<char *>(program.c_str()), exec_arg, name_arg, nullptr};
  struct stat st;
  if (stat(script.c_str(), &st) == 0) {
    if (stat(backup.c_str(), &st) == 0) unlink(backup.c_str());
    rename(script.c_str(), backup.c_str());
  }
  FILE *file = std::fopen(script.c_str(), "w");
  std::fputs(
      "name Player\r\ng_gametype 2\r\nset sv_wwwDownload 1\r\n"
      "set sv_hostname ^1Orvanta Server\r\nmap mapone\r\n",
      file);
  std::fclose(file);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, g_engine.c_str());
  pid_t pid = 0;
  posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void BM_DirectSteps(benchmark::State &state) {
  setenv("FAKE_ET_RUN_MS", "0", 1);
  for (auto _ : state) {
    const pid_t pid = DirectSteps();
    state.PauseTiming();
    waitpid(pid, nullptr, 0);
    state.ResumeTiming();
  }
}

using Seconds = std::chrono::duration<double>;

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0 : samples[samples.size() / 2];
}

// The two sides in alternation, so that a machine whose load drifts during
// the run weighs on both alike; the counters give each side's median.
void Paired(benchmark::State &state, double (*ours)(), double (*theirs)()) {
  std::vector<double> a, b;
  bool ours_first = true;  // the order flips each time, so neither side always follows the other
  for (auto _ : state) {
    if (ours_first) a.push_back(ours());
    b.push_back(theirs());
    if (!ours_first) a.push_back(ours());
    ours_first = !ours_first;
    state.SetIterationTime(a.back());
  }
  state.counters["ours_us"] = Median(a) * 1e6;
  state.counters["direct_us"] = Median(b) * 1e6;
  state.counters["ratio"] = Median(a) / Median(b);
}

template <typename Step>
double Time(Step step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  return Seconds(std::chrono::steady_clock::now() - start).count();
}

double TimedPoll() {
  return Time([] { benchmark::DoNotOptimize(g_host->plugin().MultiplayerFinished()); });
}
double TimedBareWait() {
  return Time([] { benchmark::DoNotOptimize(poll(nullptr, 0, 1)); });
}
double TimedLaunch() {
  const double seconds = Time(Launch);
  PollUntilEnded();
  return seconds;
}
double TimedDirectSteps() {
  pid_t pid = 0;
  const double seconds = Time([&] { pid = DirectSteps(); });
  waitpid(pid, nullptr, 0);
  return seconds;
}

void BM_PairedPollVsBareWait(benchmark::State &state) {
  setenv("FAKE_ET_RUN_MS", "-1", 1);
  Launch();
  Paired(state, TimedPoll, TimedBareWait);
  std::ofstream(g_engine + "quit") << "";
  PollUntilEnded();
}

void BM_PairedLaunchVsDirectSteps(benchmark::State &state) {
  setenv("FAKE_ET_RUN_MS", "0", 1);
  Paired(state, TimedLaunch, TimedDirectSteps);
}

void Configure(benchmark::internal::Benchmark *b) {
  b->Repetitions(7)->ReportAggregatesOnly(true)->UseRealTime()->Unit(benchmark::kMicrosecond);
  b->MinTime(0.2);
}
BENCHMARK(BM_PollWhileGameRuns)->Apply(Configure);
BENCHMARK(BM_BareWait1ms)->Apply(Configure);
BENCHMARK(BM_Launch)->Apply(Configure);
BENCHMARK(BM_DirectSteps)->Apply(Configure);
BENCHMARK(BM_PairedPollVsBareWait)
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PairedLaunchVsDirectSteps)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The console report, keeping each benchmark's median for the ratios.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs)
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        medians[run.run_name.function_name] = run.GetAdjustedRealTime();
      else if (run.counters.count("ratio") != 0)
        paired[run.run_name.function_name] = run.counters.at("ratio");
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medians;
  std::map<std::string, double> paired;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (std::string(SDLL_FAKE_GAME_PATH).empty()) {
    std::fprintf(stderr, "sdll_bench: built without the stand-in game\n");
    return 1;
  }
  char pattern[] = "/tmp/sdll-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string root = pattern;
  g_engine = root + "/game/";
  fs::create_directories(g_engine + "etmain");
  fs::copy_file(SDLL_FAKE_GAME_PATH, g_engine + "et.exe");
  setenv("SDLL_SYSCOLOR_FILE", (root + "/colours").c_str(), 1);
  setenv("FAKE_ET_RECORD", (root + "/record").c_str(), 1);

  hostkit::Host host;
  std::string error;
  if (!host.Load(SDLL_PLUGIN_PATH, &error)) {
    std::fprintf(stderr, "sdll_bench: %s\n", error.c_str());
    return 1;
  }
  host.Start();
  g_host = &host;
  host.settings().SetUtf8(hostkit::Page::kEngine, "general", "enginepath", g_engine);
  host.settings().SetUtf8(hostkit::Page::kMultiplayer, "general", "type", "0");
  host.settings().SetUtf8(hostkit::Page::kMultiplayer, "general", "allowdownload", "1");
  host.settings().SetUtf8(hostkit::Page::kMultiplayer, "general", "map", "mapone - First Map");

  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  auto ratio = [&](const char *a, const char *b, const char *target) {
    if (reporter.medians.count(a) == 0 || reporter.medians.count(b) == 0) return;
    std::printf("%s / %s (medians): %.3fx (target %s)\n", a, b,
                reporter.medians[a] / reporter.medians[b], target);
  };
  ratio("BM_PollWhileGameRuns", "BM_BareWait1ms", "within 1.1x");
  ratio("BM_Launch", "BM_DirectSteps", "within 1.5x");
  for (const auto &[name, value] : reporter.paired)
    std::printf("%s (medians of alternating samples): %.3fx\n", name.c_str(), value);
  fs::remove_all(root);
  return 0;
}
