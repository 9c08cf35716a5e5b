// SPDX-License-Identifier: GPL-3.0-or-later
// The log window with a million lines: what taking in one more line costs at
// the start and at the end (goal: the same, under 5 us), and how long the
// program takes from nothing to a shown main window (goal: under 0.5 s).

#include "app/app_windows.h"
#include "app/log_window.h"
#include "midi/log_text.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kLines = 1000000;
constexpr size_t kSample = 20000; // lines timed at each end

double MicrosPerLine(Clock::duration spent, size_t lines) {
  return std::chrono::duration<double, std::micro>(spent).count() / static_cast<double>(lines);
}

std::string Line(size_t i) {
  const uint8_t ack[] = {0xF0, 0x00, 0x00, 0x7E, 0x46, 0x00, 0x0F, static_cast<uint8_t>(i & 0x7F),
                         0xF7};
  return zpm::SysExInLine(zpm::LogTimeText(), ack, sizeof ack);
}

// The log window shown, every line taken in on its own: the worst case, as
// when lines come one by one.
void BM_LogWindowLineByLine(benchmark::State &state) {
  for (auto _ : state) {
    zpm::TEventLog log;
    zpm::TfrmLog window(log);
    window.show();
    QCoreApplication::processEvents();
    Clock::duration first{}, last{};
    for (size_t i = 0; i < kLines; ++i) {
      const bool timed = i < kSample || i >= kLines - kSample;
      const Clock::time_point start = timed ? Clock::now() : Clock::time_point{};
      log.AddLogLine(Line(i));
      window.Model().Refresh();
      if (timed)
        (i < kSample ? first : last) += Clock::now() - start;
      // The window paints now and then, as the event loop would let it.
      if (i % 1000 == 0)
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    state.counters["us/line first 20k"] = MicrosPerLine(first, kSample);
    state.counters["us/line last 20k"] = MicrosPerLine(last, kSample);
    state.counters["lines"] = static_cast<double>(window.Model().LineCount());
  }
}
BENCHMARK(BM_LogWindowLineByLine)->Iterations(1)->Unit(benchmark::kMillisecond);

// Lines in bursts, as a bank dump brings them (17 chunks), each burst one
// update of the window through its event loop, painting included.
void BM_LogWindowInBursts(benchmark::State &state) {
  constexpr size_t kBurst = 17;
  for (auto _ : state) {
    zpm::TEventLog log;
    zpm::TfrmLog window(log);
    window.show();
    QCoreApplication::processEvents();
    Clock::duration first{}, last{};
    for (size_t i = 0; i < kLines; i += kBurst) {
      const bool timed = i < kSample || i + kSample >= kLines;
      const Clock::time_point start = timed ? Clock::now() : Clock::time_point{};
      for (size_t j = i; j < i + kBurst; ++j)
        log.AddLogLine(Line(j));
      QCoreApplication::processEvents();
      if (timed)
        (i < kSample ? first : last) += Clock::now() - start;
    }
    state.counters["us/line first 20k"] = MicrosPerLine(first, kSample);
    state.counters["us/line last 20k"] = MicrosPerLine(last, kSample);
  }
}
BENCHMARK(BM_LogWindowInBursts)->Iterations(1)->Unit(benchmark::kMillisecond);

// From nothing to a shown main window: the MIDI service coming up (none
// here), the settings file, every window of the program.
void BM_StartUpToShownMainWindow(benchmark::State &state) {
  QTemporaryDir dir;
  for (auto _ : state) {
    auto system = std::make_shared<zpm::TMidiSystem>(
        zpm::MidiApi::Auto, std::make_unique<zpm::TSimPort>(zpm::TSimOptions{}));
    zpm::TMidiInput input(system);
    zpm::TMidiOutput output(system);
    zpm::TMainOptions options;
    options.settingsPath = dir.filePath("start.ini");
    options.simulator = true;
    options.devices = [&](zpm::MidiApi) { return zpm::TRunDevices{&input, &output}; };
    auto windows = std::make_unique<zpm::TAppWindows>(options);
    windows->main->show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(windows->main->isVisible());
    state.PauseTiming();
    windows.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpToShownMainWindow)->Unit(benchmark::kMillisecond);

} // namespace
