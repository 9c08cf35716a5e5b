// SPDX-License-Identifier: GPL-3.0-or-later
// The FM page's files: the save buttons of both tabs and "&Load SysEx file".
#include "app/fm/fm_page.h"

#include "app/library/library_record.h"
#include "app/load_notice.h"
#include "app/page_support.h"
#include "app/sid/sid_list_widget.h"
#include "fm/fm_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace zpm {

namespace {

// Writes the file and says so in the log and the status line; the error's
// text, empty when it was written.
QString SaveAndReport(TMainContext &context, const QString &path, size_t count,
                      const std::function<Bytes()> &bytes) {
  const QString error = Attempt([&] {
    TWaitCursor cursor;
    WriteWholeFile(path, bytes());
  });
  if (error.isEmpty())
    context.ReportDone(FileDoneText(count, "saved to", path));
  return error;
}

size_t CountOf(const TFMPatchBank &bank) {
  return static_cast<size_t>(bank.Count());
}

} // namespace

void TFmPage::btnFMSaveAllVoicesClick(uint8_t type) {
  const TFMPatchBank &bank = Bank(ListOf(type, false));
  if (bank.Count() == 0)
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  ShowError(SaveAndReport(m_context, path, CountOf(bank), [&] { return FmBankFile(bank); }));
}

void TFmPage::btnFMSaveSelectedVoicesClick(uint8_t type) {
  SaveSelection(ListOf(type, false));
}

void TFmPage::btnFMSaveSelectedVoicesSysExClick(uint8_t type) {
  SaveSelection(ListOf(type, true));
}

void TFmPage::SaveSelection(TFmListId id) {
  const TFMPatchBank &bank = Bank(id);
  const std::vector<int> rows = FmSelectedRows(bank, List(id).SelectedItems());
  if (rows.empty())
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  ShowError(
      SaveAndReport(m_context, path, rows.size(), [&] { return FmSelectionFile(bank, rows); }));
}

void TFmPage::btnFMSaveAllPatchesClick() {
  if (CountOf(m_context.FmGetVoiceBank()) + CountOf(m_context.FmGetDrumBank()) +
          CountOf(m_context.FmGetEnsembleBank()) ==
      0)
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const size_t count = CountOf(m_context.FmGetVoiceBank()) + CountOf(m_context.FmGetDrumBank()) +
                       CountOf(m_context.FmGetEnsembleBank());
  ShowError(SaveAndReport(m_context, path, count, [&] {
    return FmAllTypesFile(m_context.FmGetVoiceBank(), m_context.FmGetDrumBank(),
                          m_context.FmGetEnsembleBank());
  }));
}

void TFmPage::btnFMSaveSelectedClick() {
  const auto rows = [&](TFmListId id) {
    return FmSelectedRows(Bank(id), List(id).SelectedItems());
  };
  const std::vector<int> voices = rows(TFmListId::VoicesGet);
  const std::vector<int> drums = rows(TFmListId::DrumsGet);
  const std::vector<int> ensembles = rows(TFmListId::EnsemblesGet);
  if (voices.empty() && drums.empty() && ensembles.empty())
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  ShowError(SaveAndReport(m_context, path, voices.size() + drums.size() + ensembles.size(), [&] {
    return FmAllTypesSelectionFile(Bank(TFmListId::VoicesGet), voices, Bank(TFmListId::DrumsGet),
                                   drums, Bank(TFmListId::EnsemblesGet), ensembles);
  }));
}

void TFmPage::btnFMLoadSysExClick() {
  const QString path = m_context.OpenSysExFile();
  if (!path.isEmpty())
    LoadFile(path);
}

void TFmPage::LoadFile(const QString &path) {
  for (TFmListId id : {TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend}) {
    List(id).clearSelection();
    Bank(id).Clear();
  }
  m_loadedPath = path;
  QString notice;
  const QString error = Attempt([&] {
    TFMPatchBank &voices = Bank(TFmListId::VoicesSend);
    TFMPatchBank &drums = Bank(TFmListId::DrumsSend);
    TFMPatchBank &ensembles = Bank(TFmListId::EnsemblesSend);
    const TFmLoadReport report =
        LoadFmFile(ReadWholeFile(path), QDir::toNativeSeparators(path).toStdString(), voices, drums,
                   ensembles);
    m_loadedFile->setText(QFileInfo(path).fileName());
    notice = FmLoadNotice(report, voices, drums, ensembles);
  });
  size_t loaded = 0;
  for (TFmListId id : {TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend}) {
    List(id).Model().SetCount(Bank(id).Count());
    loaded += CountOf(Bank(id));
  }
  KeepSightings(m_context, FileSightings(path, {},
                                         {&Bank(TFmListId::VoicesSend), &Bank(TFmListId::DrumsSend),
                                          &Bank(TFmListId::EnsemblesSend)}));
  TellLoad(m_context, this, path, loaded, error, notice);
}

} // namespace zpm
