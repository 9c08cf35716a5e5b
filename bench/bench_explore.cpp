// SPDX-License-Identifier: GPL-3.0-or-later
// Rounds of exploration from four liked patches, half crossings and half
// variations: a round of 16 candidates, as the Explore window makes one
// (goal: under 5 ms), and a round of 10,000 for a script (goal: under 1 s),
// for SID patches and FM voices. After Google Benchmark's table, the median
// of each is printed as a bar against its goal.
#include "explore/explore_round.h"
#include "random/fm_random.h"
#include "random/sid_random.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Four random patches of the kind, as the random pages make them.
std::vector<zpm::Bytes> Liked(bool fm) {
  zpm::RandomRun run;
  run.Seed = 2026;
  run.Count = 4;
  std::vector<zpm::Bytes> liked;
  if (fm) {
    const zpm::RangeGrid grid = zpm::MakeFmRandomGrid();
    zpm::FmRandomPatches patches(run, grid);
    while (patches.Next())
      liked.emplace_back(patches.Patch().Dump.begin(), patches.Patch().Dump.end());
    // Crossed voices share their algorithm.
    for (zpm::Bytes &voice : liked)
      voice[70] = liked.front()[70];
  } else {
    const zpm::RangeGrid grid = zpm::MakeSidRandomGrid();
    zpm::SidRandomPatches patches(run, grid);
    while (patches.Next())
      liked.emplace_back(patches.Patch().Dump.begin(), patches.Patch().Dump.end());
  }
  return liked;
}

size_t Round(const std::vector<zpm::Bytes> &liked, int count, int32_t seed) {
  zpm::TExploreOptions options;
  options.seed = seed;
  options.amount = 30;
  options.locks = {"Patch Name"};
  return zpm::BuildRound(liked, options, count).candidates.size();
}

void BM_ExploreRound(benchmark::State &state) {
  const std::vector<zpm::Bytes> liked = Liked(state.range(0) == 1);
  const int count = static_cast<int>(state.range(1));
  int32_t seed = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(Round(liked, count, ++seed));
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ExploreRound)
    ->ArgNames({"fm", "candidates"})
    ->Args({0, 16})
    ->Args({1, 16})
    ->Args({0, 10000})
    ->Args({1, 10000})
    ->Unit(benchmark::kMillisecond);

// The median of runs rounds, in milliseconds.
double MedianMs(const std::vector<zpm::Bytes> &liked, int count, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(Round(liked, count, i));
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// "round of 16, SID     0.08 ms |#.............................| goal 5 ms"
bool Bar(const char *what, double ms, double goalMs) {
  constexpr int kWidth = 40;
  const int filled =
      std::clamp(static_cast<int>(ms / goalMs * kWidth + 0.5), ms > 0 ? 1 : 0, kWidth);
  std::printf("  %-28s %9.3f ms |%s%s| goal %g ms%s\n", what, ms, std::string(filled, '#').c_str(),
              std::string(kWidth - filled, '.').c_str(), goalMs, ms < goalMs ? "" : "  NOT met");
  return ms < goalMs;
}

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("\nRounds from four liked patches, median against the goal:\n");
  bool met = true;
  for (bool fm : {false, true}) {
    const std::vector<zpm::Bytes> liked = Liked(fm);
    const std::string kind = fm ? "FM voices" : "SID patches";
    met = Bar(("round of 16 " + kind).c_str(), MedianMs(liked, 16, 201), 5) && met;
    met = Bar(("round of 10,000 " + kind).c_str(), MedianMs(liked, 10000, 11), 1000) && met;
  }
  std::printf("  goals %s\n", met ? "met" : "NOT met");
  return met ? 0 : 1;
}
