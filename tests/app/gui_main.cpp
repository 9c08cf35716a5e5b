// SPDX-License-Identifier: GPL-3.0-or-later
// The window's tests need a QApplication around GoogleTest.

#include <QApplication>

#include <gtest/gtest.h>

namespace {

// The offscreen platform says so for every window shown: nothing to learn.
QtMessageHandler g_defaultHandler = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &text) {
  if (!text.startsWith("This plugin does not support"))
    g_defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char *argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  g_defaultHandler = qInstallMessageHandler(QuietOffscreen);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
