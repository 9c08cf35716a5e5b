#pragma once
// The main window as a page sees it, for the page tests: the simulator rig's
// link and fake host, banks of its own, and the file dialogs answered from a
// script.

#include "app/main_context.h"
#include "support/fake_host.h"

#include <QString>
#include <QStringList>

namespace zpm {

class TTestContext : public TMainContext {
public:
  explicit TTestContext(TSimRig &rig) : m_rig(rig) {}

  // --- the script ---
  int sidDelay = 750;
  uint8_t sidDeviceId = 0;
  int fmDelay = 750;
  uint8_t fmDeviceId = 0;
  // The paths the user picks, in order; empty (or used up): the dialog was cancelled.
  QStringList openPaths;
  QStringList savePaths;

  // --- what happened ---
  int openDialogs = 0;
  int saveDialogs = 0;
  bool canClose = true;
  QStringList reports; // what ReportDone was told

  TMidiLink &Link() override { return m_rig.link; }
  TTransferHost &Host() override { return m_rig.host; }

  TPatchBank &SidGetBank() override { return m_sidGet; }
  TPatchBank &SidFileBank() override { return m_sidFile; }
  TFMPatchBank &FmGetVoiceBank() override { return m_fm[0]; }
  TFMPatchBank &FmGetDrumBank() override { return m_fm[1]; }
  TFMPatchBank &FmGetEnsembleBank() override { return m_fm[2]; }
  TFMPatchBank &FmSendVoiceBank() override { return m_fm[3]; }
  TFMPatchBank &FmSendDrumBank() override { return m_fm[4]; }
  TFMPatchBank &FmSendEnsembleBank() override { return m_fm[5]; }

  int SidDelay() const override { return sidDelay; }
  uint8_t SidDeviceId() const override { return sidDeviceId; }
  int FmDelay() const override { return fmDelay; }
  uint8_t FmDeviceId() const override { return fmDeviceId; }

  QString OpenSysExFile() override {
    ++openDialogs;
    return openPaths.isEmpty() ? QString() : openPaths.takeFirst();
  }
  QString SaveSysExFile() override {
    ++saveDialogs;
    return savePaths.isEmpty() ? QString() : savePaths.takeFirst();
  }

  void ReportDone(const QString &text) override {
    reports << text;
    Link().log.AddLogLine(text.toStdString());
  }
  void SetCanClose(bool value) override { canClose = value; }
  QWidget *MainWindow() override { return nullptr; }

private:
  TSimRig &m_rig;
  TPatchBank m_sidGet;
  TPatchBank m_sidFile;
  TFMPatchBank m_fm[6];
};

} // namespace zpm
