// SPDX-License-Identifier: GPL-3.0-or-later
// One SID Patch Request and its 266-byte answer through the whole device
// layer: SendSysEx, the built-in simulator (unpaced), its delivery thread,
// the chunker and OnSysExData.

#include "midi/midi_devices.h"
#include "sid/sid_messages.h"
#include "sim/sim_port.h"

#include <benchmark/benchmark.h>

#include <atomic>

namespace {

using namespace zpm;

void BM_SidPatchRoundTrip(benchmark::State &state) {
  auto port = std::make_unique<TSimPort>(TSimOptions{});
  TSimPort &simulator = *port;
  auto system = std::make_shared<TMidiSystem>(MidiApi::None, std::move(port));
  TMidiInput input(system);
  TMidiOutput output(system);
  std::atomic<size_t> received{0};
  input.OnSysExData = [&](int, const uint8_t *, size_t count) { received += count; };
  input.Open(0);
  output.Open(0);
  TMemoryStream request(SidPatchRequest(0, 0));

  size_t expected = 0;
  for (auto _ : state) {
    output.SendSysEx(0, request);
    simulator.WaitIdle();
    expected += 266;
  }
  if (received != expected)
    state.SkipWithError("answers went missing");
  state.SetBytesProcessed(static_cast<int64_t>(received.load()));
}
BENCHMARK(BM_SidPatchRoundTrip);

void BM_SidBankDumpRoundTrip(benchmark::State &state) {
  auto port = std::make_unique<TSimPort>(TSimOptions{});
  TSimPort &simulator = *port;
  auto system = std::make_shared<TMidiSystem>(MidiApi::None, std::move(port));
  TMidiInput input(system);
  TMidiOutput output(system);
  std::atomic<size_t> chunks{0};
  input.OnSysExData = [&](int, const uint8_t *, size_t) { ++chunks; };
  input.Open(0);
  output.Open(0);
  TMemoryStream request(SidBankDumpRequest(0));

  size_t expected = 0;
  for (auto _ : state) {
    output.SendSysEx(0, request);
    simulator.WaitIdle();
    expected += 17;
  }
  if (chunks != expected)
    state.SkipWithError("chunks went missing");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 32777);
}
BENCHMARK(BM_SidBankDumpRoundTrip);

} // namespace

BENCHMARK_MAIN();
