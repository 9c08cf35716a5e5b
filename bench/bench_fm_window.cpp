// SPDX-License-Identifier: GPL-3.0-or-later
// An FM bank fetched and written through the window's own host (its waits
// are nested event loops) with the built-in simulator sending at DIN speed
// (3125 bytes/s) and no MIDI service in between. Goal: 128 voices, each a
// request and its 268-byte dump, or a 268-byte write and its 8-byte
// acknowledgement, take no more than 3% longer than the device's bytes on
// the cable; the waits use no CPU to speak of.

#include "app/app_windows.h"
#include "app/window_host.h"
#include "fm/fm_fetch.h"
#include "fm/fm_send.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kVoices = 128;
constexpr double kDinBytesPerSecond = 3125.0;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The program's windows over a paced simulator; run gets the link and host.
void Measure(benchmark::State &state, size_t answerBytes, size_t requestBytes,
             const std::function<bool(zpm::TMidiLink &, zpm::TTransferHost &)> &run) {
  QTemporaryDir dir;
  zpm::TSimOptions sim;
  sim.pace = true;
  auto system =
      std::make_shared<zpm::TMidiSystem>(zpm::MidiApi::None, std::make_unique<zpm::TSimPort>(sim));
  zpm::TMidiInput input(system);
  zpm::TMidiOutput output(system);
  zpm::TMainOptions options;
  options.settingsPath = dir.filePath("fm.ini");
  options.simulator = true;
  options.devices = [&](zpm::MidiApi) { return zpm::TRunDevices{&input, &output}; };
  zpm::TAppWindows windows(options);
  windows.main->show();
  double elapsed = 0, cpu = 0;
  for (auto _ : state) {
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    const bool done = run(windows.main->Link(), windows.host);
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = CpuSeconds() - cpuBefore;
    if (!done)
      state.SkipWithError("the run did not reach every slot");
  }
  // What the simulated cable carries from the device, and with the requests too.
  const double answers = kVoices * answerBytes / kDinBytesPerSecond;
  const double both = kVoices * (answerBytes + requestBytes) / kDinBytesPerSecond;
  state.counters["elapsed_s"] = elapsed;
  state.counters["device_bytes_s"] = answers;
  state.counters["over_device_bytes_pct"] = 100.0 * (elapsed - answers) / answers;
  state.counters["over_both_directions_pct"] = 100.0 * (elapsed - both) / both;
  state.counters["cpu_pct_of_core"] = 100.0 * cpu / elapsed;
}

void BM_FetchVoiceBank(benchmark::State &state) {
  Measure(state, zpm::kFmDumpSize, 11, [](zpm::TMidiLink &link, zpm::TTransferHost &host) {
    zpm::TFMPatchBank bank;
    zpm::TFmFetch fetch;
    fetch.bank = 2;
    const zpm::TFetchReport report = zpm::GetSingleFmBank(link, host, fetch, bank);
    return bank.Count() == kVoices && report.AllFetched();
  });
}
BENCHMARK(BM_FetchVoiceBank)->Iterations(1)->Unit(benchmark::kSecond);

void BM_SendVoiceBank(benchmark::State &state) {
  Measure(state, 8, zpm::kFmDumpSize, [](zpm::TMidiLink &link, zpm::TTransferHost &host) {
    zpm::TFMPatchBank voices, none;
    for (int n = 0; n < kVoices; ++n) {
      zpm::TFMPatch patch;
      patch.SetBank(4);
      patch.SetPatchNumber(static_cast<uint8_t>(n));
      voices.Add(patch);
    }
    zpm::TFmSendJob job;
    job.mode = zpm::TFmSendMode::Type;
    const zpm::TSendReport report =
        zpm::RunFmSend(link, host, zpm::TFmSendOptions{}, job, {voices, none, none});
    return report.AllDone();
  });
}
BENCHMARK(BM_SendVoiceBank)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
