// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's windows over a private simulator-only MIDI system and a
// settings file in a temporary folder, and helpers for answering modal
// dialogs without waiting on the clock.

#include "app/app_windows.h"
#include "app/config_page.h"
#include "app/log_window.h"
#include "app/settings.h"
#include "app/wait_dialog.h"
#include "app/window_host.h"
#include "app/working_dialog.h"
#include "support/sim_system.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace zpm {

class TAppFixture : public ::testing::Test {
protected:
  void TearDown() override { Stop(); }

  QString SettingsPath() const { return m_dir.filePath("zavorin-patch-manager.ini"); }
  QString LibraryPath() const { return m_dir.filePath("library.sqlite"); }

  void WriteSettingsText(const char *text) {
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  QString SettingsText() const {
    QFile file(SettingsPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  // The windows as the program makes them; the simulator is device 0 of
  // each list, the only one, and behaves as sim says.
  void Start(bool simulator = false, const TSimOptions &sim = TSimOptions{}) {
    m_system = SimulatorSystem(sim, m_simulator);
    m_input = std::make_unique<TMidiInput>(m_system);
    m_output = std::make_unique<TMidiOutput>(m_system);
    TMainOptions options;
    options.settingsPath = SettingsPath();
    options.simulator = simulator;
    options.devices = [this](MidiApi) { return TRunDevices{m_input.get(), m_output.get()}; };
    // Never the user's own library.
    options.libraryPath = LibraryPath();
    app = std::make_unique<TAppWindows>(options);
  }

  void Stop() {
    app.reset();
    m_output.reset();
    m_input.reset();
    m_system.reset();
    m_simulator = nullptr;
  }

  template <typename T> T *Find(const char *name) {
    T *widget = app->main->findChild<T *>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  TfrmMain &Main() { return *app->main; }
  TConfigPage &Config() { return *Find<TConfigPage>("ConfigPage"); }
  bool InputOpen() const { return m_input->GetHandle(0) != nullptr; }
  bool OutputOpen() const { return m_output->GetHandle(0) != nullptr; }
  TSimPort &Simulator() { return *m_simulator; }

  std::unique_ptr<TAppWindows> app;

private:
  QTemporaryDir m_dir;
  TSimPort *m_simulator = nullptr; // owned by m_system
  std::shared_ptr<TMidiSystem> m_system;
  std::unique_ptr<TMidiInput> m_input;
  std::unique_ptr<TMidiOutput> m_output;
};

// Runs answer on the next modal dialog once it is up, looking again on
// every turn of the event loop until it is.
inline void WhenModal(std::function<void(QWidget *)> answer, int turnsLeft = 10000) {
  QTimer::singleShot(0, qApp, [answer, turnsLeft] {
    if (QWidget *modal = QApplication::activeModalWidget())
      answer(modal);
    else if (turnsLeft > 0)
      WhenModal(answer, turnsLeft - 1);
  });
}

// A wait that would otherwise never end is cancelled after timeoutMs, so a
// broken test fails instead of hanging.
class TSafetyNet {
public:
  TSafetyNet(QWidget *dialog, int timeoutMs) {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, dialog, [this, dialog] {
      fired = true;
      if (auto *cancel = dialog->findChild<QAbstractButton *>("btnCancel"))
        cancel->click();
    });
    m_timer.start(timeoutMs);
  }
  bool fired = false;

private:
  QTimer m_timer;
};

} // namespace zpm
