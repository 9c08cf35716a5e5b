// SPDX-License-Identifier: GPL-3.0-or-later
// "Send &patch list to SID" of a whole bank through the window's own host
// (its pauses are nested event loops) to the built-in simulator. Goals: the
// process uses at most 2% of a core over the run, and the run takes no more
// than 1% longer than 128 x (pause + time on the wire) plus the two Bank
// Select pauses (the probe and the bank's selection). The pause is the
// default 750 ms, or ZPM_BENCH_SEND_DELAY milliseconds.

#include "app/app_windows.h"
#include "app/window_host.h"
#include "sid/sid_send.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPatches = 128;
constexpr int kSelectionPauses = 2;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int PauseMs() {
  bool ok = false;
  const int value = qEnvironmentVariableIntValue("ZPM_BENCH_SEND_DELAY", &ok);
  return ok ? value : 750;
}

void BM_SendWholeBankThroughTheWindowHost(benchmark::State &state) {
  QTemporaryDir dir;
  auto system = std::make_shared<zpm::TMidiSystem>(
      zpm::MidiApi::None, std::make_unique<zpm::TSimPort>(zpm::TSimOptions{}));
  zpm::TMidiInput input(system);
  zpm::TMidiOutput output(system);
  zpm::TMainOptions options;
  options.settingsPath = dir.filePath("send.ini");
  options.simulator = true;
  options.devices = [&](zpm::MidiApi) { return zpm::TRunDevices{&input, &output}; };
  zpm::TAppWindows windows(options);
  windows.main->show();
  zpm::TPatchBank bank;
  for (int n = 0; n < kPatches; ++n) {
    zpm::TPatch patch;
    patch.SetPatchNumber(static_cast<uint8_t>(n));
    patch.UpdateChecksum();
    bank.Add(patch);
  }
  zpm::TSidSendOptions send;
  send.delayMs = PauseMs();
  double elapsed = 0, cpu = 0;
  for (auto _ : state) {
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    const zpm::TSendReport report =
        zpm::RunSidSend(windows.main->Link(), windows.host, send, zpm::TSidSendJob{}, bank);
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    cpu = CpuSeconds() - cpuBefore;
    if (!report.AllDone())
      state.SkipWithError("the send did not write every slot");
  }
  const double pauses = send.delayMs / 1000.0;
  const double bound = (kPatches + kSelectionPauses) * pauses;
  state.counters["elapsed_s"] = elapsed;
  state.counters["bound_s"] = bound;
  state.counters["over_bound_pct"] = 100.0 * (elapsed - bound) / (kPatches * pauses);
  state.counters["cpu_pct_of_core"] = 100.0 * cpu / elapsed;
}
BENCHMARK(BM_SendWholeBankThroughTheWindowHost)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
