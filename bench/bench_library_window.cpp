// SPDX-License-Identifier: GPL-3.0-or-later
// The library window over a library of 100,000 patches. Goals: the window opened
// (the library opened, its count and the rows on screen read and drawn) in
// no more than 300 ms; one keystroke in the search field until the list
// shows what it finds in no more than 100 ms.

#include "app/app_windows.h"
#include "app/library/library_model.h"
#include "app/library/library_page.h"
#include "app/library/library_window.h"
#include "app/main_window.h"
#include "library/library.h"
#include "library/library_files.h"
#include "library/sqlite_db.h"
#include "support/made_library.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPatches = 100000;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// The library file and the window's settings, made once for the run.
const QTemporaryDir &Folder() {
  static const QTemporaryDir dir;
  return dir;
}

const QString &BigLibrary() {
  static const QString path = [] {
    const QString file = Folder().filePath("library.sqlite");
    zpm::bench::FillLibrary(file.toStdString(), kPatches);
    return file;
  }();
  return path;
}

std::unique_ptr<zpm::TAppWindows> Windows() {
  zpm::TMainOptions options;
  options.settingsPath = Folder().filePath("library.ini");
  options.simulator = true;
  options.libraryPath = BigLibrary();
  auto windows = std::make_unique<zpm::TAppWindows>(options);
  windows->main->show();
  return windows;
}

zpm::TLibraryPage &Page(zpm::TAppWindows &windows) {
  return *windows.main->findChild<zpm::TLibraryPage *>("LibraryPage");
}

// Draws the list now, which reads the rows it shows; how many those are.
int DrawList(zpm::TLibraryPage &page) {
  QTableView &list = page.List();
  list.viewport()->repaint();
  const int first = list.rowAt(0);
  const int last = list.rowAt(list.viewport()->height() - 1);
  return first < 0 ? 0 : (last < 0 ? list.model()->rowCount() - 1 : last) - first + 1;
}

// The library opened as the window opens it at start, the page filled from
// it, then brought to the front with its first rows drawn.
void BM_OpenLibraryPage(benchmark::State &state) {
  BigLibrary();
  std::unique_ptr<zpm::TAppWindows> windows = Windows();
  zpm::TLibraryPage &page = Page(*windows);
  auto &window = windows->main->LibraryWindow();
  int shown = 0;
  double open = 0, fill = 0, draw = 0;
  for (auto _ : state) {
    window.hide();
    QApplication::processEvents();
    const Clock::time_point start = Clock::now();
    { zpm::TLibrary again(BigLibrary().toStdString()); }
    open += Ms(start);
    const Clock::time_point filled = Clock::now();
    page.Reload();
    fill += Ms(filled);
    const Clock::time_point drawn = Clock::now();
    window.OpenOrRaise();
    shown = DrawList(page);
    draw += Ms(drawn);
    state.SetIterationTime(Ms(start) / 1000.0);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["library_open_ms"] = open / n;
  state.counters["page_fill_ms"] = fill / n;
  state.counters["first_rows_ms"] = draw / n;
  state.counters["total_ms"] = (open + fill + draw) / n;
  state.counters["rows"] = page.Model().rowCount();
  state.counters["rows_drawn"] = shown;
  if (page.Model().rowCount() != kPatches || shown == 0 ||
      page.Model().index(0, 0).data().toString().isEmpty())
    state.SkipWithError("the page did not show the library's patches");
}
BENCHMARK(BM_OpenLibraryPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The whole window started with the library, for comparison: the page is
// one of its parts.
void BM_StartWindowWithLibrary(benchmark::State &state) {
  BigLibrary();
  for (auto _ : state) {
    std::unique_ptr<zpm::TAppWindows> windows = Windows();
    zpm::TLibraryPage &page = Page(*windows);
    windows->main->LibraryWindow().OpenOrRaise();
    benchmark::DoNotOptimize(DrawList(page));
    state.PauseTiming();
    windows.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartWindowWithLibrary)->Unit(benchmark::kMillisecond)->Iterations(5);

// The search field holds before; one more key is pressed, and the time runs
// until the list is drawn with what the search finds.
void Keystroke(benchmark::State &state, const char *before, char key) {
  BigLibrary();
  std::unique_ptr<zpm::TAppWindows> windows = Windows();
  zpm::TLibraryPage &page = Page(*windows);
  windows->main->LibraryWindow().OpenOrRaise();
  auto *search = page.findChild<QLineEdit *>("edLibrarySearch");
  for (auto _ : state) {
    state.PauseTiming();
    search->setText(QString::fromLatin1(before));
    DrawList(page);
    state.ResumeTiming();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QLatin1Char(key)));
    QApplication::sendEvent(search, &press);
    DrawList(page);
  }
  const QString typed = QString::fromLatin1(before) + QLatin1Char(key);
  state.counters["rows"] = page.Model().rowCount();
  if (search->text() != typed || page.Model().rowCount() == 0 ||
      !page.Model().index(0, 0).data().toString().contains(typed, Qt::CaseInsensitive))
    state.SkipWithError("the list did not follow the search");
}

// The first letter: a third of the library matches.
void BM_KeystrokeFirstLetter(benchmark::State &state) {
  Keystroke(state, "", 'b');
}
BENCHMARK(BM_KeystrokeFirstLetter)->Unit(benchmark::kMillisecond);

// A word: a sixteenth of the library.
void BM_KeystrokeWord(benchmark::State &state) {
  Keystroke(state, "bas", 's');
}
BENCHMARK(BM_KeystrokeWord)->Unit(benchmark::kMillisecond);

// A number: one patch.
void BM_KeystrokeRareName(benchmark::State &state) {
  Keystroke(state, "0753", '1');
}
BENCHMARK(BM_KeystrokeRareName)->Unit(benchmark::kMillisecond);

} // namespace
