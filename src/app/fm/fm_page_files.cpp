// The FM page's files: the save buttons of both tabs and "&Load SysEx file".
#include "app/fm/fm_page.h"

#include "app/page_support.h"
#include "app/sid/sid_list_widget.h"
#include "fm/fm_file.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace zpm {

void TFmPage::btnFMSaveAllVoicesClick(uint8_t type) {
  const TFMPatchBank &bank = Bank(ListOf(type, false));
  if (bank.Count() == 0)
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  ShowError(Attempt([&] { WriteWholeFile(path, FmBankFile(bank)); }));
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
  ShowError(Attempt([&] {
    TWaitCursor cursor;
    WriteWholeFile(path, FmSelectionFile(bank, rows));
  }));
}

void TFmPage::btnFMSaveAllPatchesClick() {
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  ShowError(Attempt([&] {
    WriteWholeFile(path, FmAllTypesFile(m_context.FmGetVoiceBank(), m_context.FmGetDrumBank(),
                                        m_context.FmGetEnsembleBank()));
  }));
}

void TFmPage::btnFMSaveSelectedClick() {
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const auto rows = [&](TFmListId id) {
    return FmSelectedRows(Bank(id), List(id).SelectedItems());
  };
  ShowError(Attempt([&] {
    TWaitCursor cursor;
    WriteWholeFile(path, FmAllTypesSelectionFile(
                             Bank(TFmListId::VoicesGet), rows(TFmListId::VoicesGet),
                             Bank(TFmListId::DrumsGet), rows(TFmListId::DrumsGet),
                             Bank(TFmListId::EnsemblesGet), rows(TFmListId::EnsemblesGet)));
  }));
}

void TFmPage::btnFMLoadSysExClick() {
  const QString path = m_context.OpenSysExFile();
  if (path.isEmpty())
    return;
  for (TFmListId id : {TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend}) {
    List(id).clearSelection();
    Bank(id).Clear();
  }
  const QString error = Attempt([&] {
    LoadFmFile(ReadWholeFile(path), QDir::toNativeSeparators(path).toStdString(),
               Bank(TFmListId::VoicesSend), Bank(TFmListId::DrumsSend),
               Bank(TFmListId::EnsemblesSend));
    m_loadedFile->setText(QFileInfo(path).fileName());
  });
  for (TFmListId id : {TFmListId::VoicesSend, TFmListId::DrumsSend, TFmListId::EnsemblesSend})
    List(id).Model().SetCount(Bank(id).Count());
  ShowError(error);
}

} // namespace zpm
