// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the driver side cuts a bank dump into chunks, and what one log line
// costs on an empty log and on one that already holds a million lines.

#include "midi/chunker.h"
#include "midi/event_log.h"
#include "midi/log_text.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

void BM_ChunkBankDumpIn256ByteFragments(benchmark::State &state) {
  std::vector<uint8_t> dump(32777);
  for (size_t i = 0; i < dump.size(); ++i) {
    dump[i] = static_cast<uint8_t>(i & 0x7F);
  }
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  size_t chunks = 0;
  zpm::TSysExChunker chunker([&](const uint8_t *, size_t) { ++chunks; },
                             [](uint8_t, uint8_t, uint8_t) {});
  for (auto _ : state) {
    for (size_t at = 0; at < dump.size(); at += 256) {
      chunker.Feed(dump.data() + at, std::min<size_t>(256, dump.size() - at));
    }
  }
  benchmark::DoNotOptimize(chunks);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dump.size()));
  state.counters["chunks/dump"] = static_cast<double>(chunks) / state.iterations();
}
BENCHMARK(BM_ChunkBankDumpIn256ByteFragments);

// Arg: lines already in the log.
void BM_AddLogLine(benchmark::State &state) {
  zpm::TEventLog log;
  const std::string line =
      zpm::ShortMessageInLine(zpm::LogTimeText(), 0x90, 0x3C, 0x64); // a typical short line
  for (int64_t i = 0; i < state.range(0); ++i) {
    log.AddLogLine(line);
  }
  for (auto _ : state) {
    log.AddLogLine(line);
  }
  state.counters["lines"] = static_cast<double>(log.Count());
}
BENCHMARK(BM_AddLogLine)->Arg(0)->Arg(1000000)->Iterations(200000);

} // namespace

BENCHMARK_MAIN();
