// The exports the launch benchmarks leave out, each against the least work
// that could stand in for it: a poll after the game has ended against the
// bare colour write it must make, the engine check against one bare
// existence test, and the
// schema hand-over against a memcpy of the same bytes. Each export is
// measured through the host, as the launcher calls it, so its cost includes
// the host's service calls (hostkit records every one; the record is
// cleared each iteration so it does not grow).
//
// Runs in the same binary and against the same host and engine folder that
// launch_bench.cpp sets up before it starts the benchmarks.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "host.h"
#include "platform/platform.h"

namespace {

hostkit::Host &CurrentHost() { return *hostkit::Host::Current(); }

std::string EngineFolder() {
  const hostkit::SettingValue *value =
      CurrentHost().settings().Find(hostkit::Page::kEngine, "general", "enginepath");
  return value != nullptr ? hostkit::Settings::ToUtf8(value->text) : std::string();
}

// The plug-in has no game to follow: every poll restores the colour and
// answers 1 at once.
void BM_PollAfterEnd(benchmark::State &state) {
  hostkit::Host &host = CurrentHost();
  while (host.plugin().MultiplayerFinished() == 0) {
  }
  for (auto _ : state) benchmark::DoNotOptimize(host.plugin().MultiplayerFinished());
}

// The poll's floor: putting the highlight back, through the same platform
// code the plug-in runs, with nothing else around it.
void BM_BareColourWrite(benchmark::State &state) {
  const uint32_t colour = platform::GetSystemColour(platform::kColourHighlight);
  for (auto _ : state) platform::SetSystemColour(platform::kColourHighlight, colour);
}

void BM_EngineCheck(benchmark::State &state) {
  hostkit::Host &host = CurrentHost();
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.plugin().EngineConfig());
    host.ClearCalls();
  }
  if (host.engine_valid() != 1) state.SkipWithError("the engine folder holds no et.exe");
}

void BM_BareExistenceTest(benchmark::State &state) {
  const std::string path = EngineFolder() + "et.exe";
  struct stat st;
  for (auto _ : state) benchmark::DoNotOptimize(stat(path.c_str(), &st));
}

void BM_SchemaHandOver(benchmark::State &state) {
  hostkit::Host &host = CurrentHost();
  for (auto _ : state) {
    benchmark::DoNotOptimize(host.plugin().LoadConfiguration());
    host.ClearCalls();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * host.schema().size()));
}

void BM_SchemaMemcpy(benchmark::State &state) {
  hostkit::Host &host = CurrentHost();
  host.plugin().LoadConfiguration();
  const std::string schema = host.schema();
  std::vector<char> copy(schema.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), schema.data(), schema.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * schema.size()));
}

void Configure(benchmark::internal::Benchmark *b) {
  b->UseRealTime()->Unit(benchmark::kNanosecond);
}
BENCHMARK(BM_PollAfterEnd)->Apply(Configure);
BENCHMARK(BM_BareColourWrite)->Apply(Configure);
BENCHMARK(BM_EngineCheck)->Apply(Configure);
BENCHMARK(BM_BareExistenceTest)->Apply(Configure);
BENCHMARK(BM_SchemaHandOver)->Apply(Configure);
BENCHMARK(BM_SchemaMemcpy)->Apply(Configure);

}  // namespace
