// SPDX-License-Identifier: GPL-3.0-or-later
// The editor window on the offscreen platform. Goals: opened on a patch of
// another kind (every row of the SID map or of an FM voice built and shown,
// the window drawn) in no more than 150 ms; opened again on a patch of the
// same kind (the rows kept, their values set) in no more than 30 ms; one
// value changed by a key (every row, the name and the hex strip shown
// again, the window drawn) in no more than 16 ms, a frame at 60 Hz.

#include "app/app_windows.h"
#include "app/edit/edit_row.h"
#include "app/edit/patch_editor.h"
#include "app/main_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

std::unique_ptr<zpm::TAppWindows> Windows(const QTemporaryDir &dir) {
  zpm::TMainOptions options;
  options.settingsPath = dir.filePath("edit.ini");
  options.libraryPath = dir.filePath("library.sqlite");
  options.simulator = true;
  auto windows = std::make_unique<zpm::TAppWindows>(options);
  windows->main->show();
  return windows;
}

zpm::PatchViewText Voice() {
  zpm::TFMPatch voice;
  voice.SetPatchType(zpm::kFmVoice);
  voice.UpdateChecksum();
  return zpm::ViewFmPatch(voice);
}

void Goal(benchmark::State &state, double ms, double goal) {
  state.counters["ms"] = ms;
  state.counters["goal_ms"] = goal;
  state.counters["within_goal"] = ms <= goal ? 1 : 0;
}

// SID and FM voice by turns: each opening builds its rows anew.
void BM_OpenOnAnotherKind(benchmark::State &state) {
  QTemporaryDir dir;
  auto windows = Windows(dir);
  zpm::TfrmPatchEditor &editor = *windows->editor;
  double worst = 0;
  bool sid = false;
  for (auto _ : state) {
    sid = !sid;
    const auto start = Clock::now();
    editor.Open(sid ? zpm::ViewSidPatch(zpm::TPatch{}) : Voice());
    editor.repaint();
    worst = std::max(worst, Ms(start));
  }
  state.counters["rows"] = static_cast<double>(editor.Rows().size());
  Goal(state, worst, 150);
}
BENCHMARK(BM_OpenOnAnotherKind)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_OpenOnTheSameKind(benchmark::State &state) {
  QTemporaryDir dir;
  auto windows = Windows(dir);
  zpm::TfrmPatchEditor &editor = *windows->editor;
  editor.Open(zpm::ViewSidPatch(zpm::TPatch{}));
  double worst = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    editor.Open(zpm::ViewSidPatch(zpm::TPatch{}));
    editor.repaint();
    worst = std::max(worst, Ms(start));
  }
  Goal(state, worst, 30);
}
BENCHMARK(BM_OpenOnTheSameKind)->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_OneKeyOnAValue(benchmark::State &state) {
  QTemporaryDir dir;
  auto windows = Windows(dir);
  zpm::TfrmPatchEditor &editor = *windows->editor;
  editor.Open(zpm::ViewSidPatch(zpm::TPatch{}));
  QWidget *cutoff = nullptr;
  for (zpm::TEditRow *row : editor.Rows())
    if (row->Field().Label == "CutOff")
      cutoff = row->Control();
  double worst = 0;
  int step = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    QKeyEvent key(QEvent::KeyPress, ++step % 100 < 50 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(cutoff, &key);
    editor.repaint();
    worst = std::max(worst, Ms(start));
  }
  Goal(state, worst, 16);
}
BENCHMARK(BM_OneKeyOnAValue)->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace
