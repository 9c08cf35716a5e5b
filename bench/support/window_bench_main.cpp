// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the window benchmarks: a QApplication on the offscreen
// platform (unless another is asked for), then the benchmarks.
#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

// The offscreen platform says so for every window shown: nothing to learn.
QtMessageHandler g_defaultHandler = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &text) {
  if (!text.startsWith("This plugin does not support"))
    g_defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  g_defaultHandler = qInstallMessageHandler(QuietOffscreen);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
