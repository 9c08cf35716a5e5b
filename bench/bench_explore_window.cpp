// SPDX-License-Identifier: GPL-3.0-or-later
// The Explore window over the built-in simulator while the audition slot is
// being written. Goals: a click on a candidate answered (the handler back,
// the status line set) within one frame, 16 ms, however long the write
// beside it takes; "Next round" shown within one frame too.

#include "app/app_windows.h"
#include "app/edit/audition_session.h"
#include "app/explore/explore_open.h"
#include "app/explore/explore_window.h"
#include "app/main_window.h"
#include "sim/sim_port.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

zpm::TPatchBytes Patch(const char *name, int seed) {
  zpm::TPatchBytes patch;
  std::memset(patch.data.data(), ' ', 16);
  std::memcpy(patch.data.data(), name, std::strlen(name));
  for (size_t d = 16; d < patch.data.size(); ++d)
    patch.data[d] = static_cast<uint8_t>((seed * 37 + d * 11) & 0x3F);
  return patch;
}

// The program's windows and the Explore window on two patches, its
// audition slot chosen.
struct TExploreRig {
  TExploreRig() {
    zpm::TSimOptions sim;
    sim.pace = true; // a write takes as long as on a cable
    system = std::make_shared<zpm::TMidiSystem>(zpm::MidiApi::None,
                                                std::make_unique<zpm::TSimPort>(sim));
    input = std::make_unique<zpm::TMidiInput>(system);
    output = std::make_unique<zpm::TMidiOutput>(system);
    zpm::TMainOptions options;
    options.devices = [this](zpm::MidiApi) { return zpm::TRunDevices{input.get(), output.get()}; };
    options.settingsPath = dir.filePath("explore.ini");
    options.libraryPath = dir.filePath("library.sqlite");
    options.simulator = true;
    windows = std::make_unique<zpm::TAppWindows>(options);
    windows->main->show();
    zpm::OpenExplore(*windows->main, {zpm::ExploreImageOf(Patch("Warm Bass", 1)),
                                      zpm::ExploreImageOf(Patch("Glass Keys", 2))});
    window = zpm::ExploreWindow(*windows->main);
    window->findChild<QComboBox *>("cbxAuditionBank")->setCurrentIndex(7);
    window->findChild<QSpinBox *>("seAuditionSlot")->setValue(128);
  }
  ~TExploreRig() { window->Audition().End(/*wait=*/true); }
  QPushButton *Button(const char *name) { return window->findChild<QPushButton *>(name); }

  QTemporaryDir dir;
  std::shared_ptr<zpm::TMidiSystem> system;
  std::unique_ptr<zpm::TMidiInput> input;
  std::unique_ptr<zpm::TMidiOutput> output;
  std::unique_ptr<zpm::TAppWindows> windows;
  zpm::TfrmExplore *window = nullptr;
};

// Clicks on one candidate after another while the slot is written: the
// first click starts the audition, whose fetch and writes then keep it busy
// (each SID write takes 85 ms on the cable and is followed by the device's
// pause, 750 ms).
void BM_ClickWhileAuditioning(benchmark::State &state) {
  TExploreRig rig;
  rig.Button("btnCandidate1")->click();
  // Past the slot's fetch: the first write is out, the next one on its way.
  const Clock::time_point started = Clock::now();
  while (Seconds(started) < 10 && rig.window->Audition().Current() &&
         rig.window->Audition().Current()->Writes() < 1)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  rig.Button("btnCandidate2")->click();
  int i = 2;
  for (auto _ : state) {
    QPushButton *candidate =
        rig.Button(QStringLiteral("btnCandidate%1").arg(i++ % 16 + 1).toLatin1().constData());
    const Clock::time_point start = Clock::now();
    candidate->click();
    QApplication::processEvents();
    state.SetIterationTime(Seconds(start));
  }
  zpm::TAudition *audition = rig.window->Audition().Current();
  state.counters["writes_meanwhile"] = audition ? audition->Writes() : 0;
  if (!audition || audition->Stopped())
    state.SkipWithError(("auditioning did not run: " +
                         rig.window->findChild<QLabel *>("lbExploreStatus")->text().toStdString())
                            .c_str());
}
BENCHMARK(BM_ClickWhileAuditioning)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

// "Next round" from two liked candidates, until the new round is shown.
void BM_NextRound(benchmark::State &state) {
  TExploreRig rig;
  for (auto _ : state) {
    state.PauseTiming();
    rig.window->findChild<QCheckBox *>("cbLiked1")->setChecked(true);
    rig.window->findChild<QCheckBox *>("cbLiked9")->setChecked(true);
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    rig.Button("btnExploreNext")->click();
    rig.window->repaint();
    state.SetIterationTime(Seconds(start));
  }
  state.counters["rounds"] = static_cast<double>(rig.window->RoundCount());
}
BENCHMARK(BM_NextRound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
