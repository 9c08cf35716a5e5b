// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The FM patches page: "&Get FM Patch" fetches voices, drumsets or
// ensembles into the three get banks and saves them to files; "&Send FM
// Patch" loads a file into the three send banks and writes them back (its
// send controls are TFmSendPanel). Six lists show the six banks.

#include "app/main_context.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace zpm {

class TFmSendPanel;
class TSidPatchList;
class TSpinButton;
struct TFetchReport;
struct TFmFetch;

// The six lists, get side first, each side voices, drumsets, ensembles.
enum class TFmListId { VoicesGet, DrumsGet, EnsemblesGet, VoicesSend, DrumsSend, EnsemblesSend };

class TFmPage : public QWidget {
  Q_OBJECT

public:
  enum Tab { GetTab = 0, SendTab = 1 };

  explicit TFmPage(TMainContext &context, QWidget *parent = nullptr);

  void SelectTab(Tab tab);
  // A list widget and the bank it shows, e.g. for a right-click that opens
  // the patch viewer on a row.
  TSidPatchList &List(TFmListId list) const;
  TFMPatchBank &Bank(TFmListId list) const;
  // The list of a type code on one side.
  static TFmListId ListOf(uint8_t type, bool sendSide);
  // Sets every list to its bank's Count, after banks changed from outside.
  void RefreshLists();
  TFmSendPanel &SendPanel() { return *m_sendPanel; }
  // "&Load SysEx file" for a file chosen elsewhere (dropped, named at start).
  void LoadFile(const QString &path);

public slots:
  void btnFMGetSinglePatchClick();
  void btnFMGetSingleBankClick();
  void btnFMGetAllBanksClick();
  void sbFMGetBankUpClick();
  void sbFMGetBankDownClick();
  void cmbFMGetTypChange();
  // The save and send buttons of a list, by its type code.
  void btnFMSaveAllVoicesClick(uint8_t type);
  void btnFMSaveSelectedVoicesClick(uint8_t type);
  void btnFMSaveAllPatchesClick();
  void btnFMSaveSelectedClick();
  void btnFMSaveSelectedVoicesSysExClick(uint8_t type);
  void btnFMLoadSysExClick();
  void btnFMSendSelectedVoicesClick(uint8_t type);

private:
  QWidget *BuildGetTab();
  QWidget *BuildSendTab();
  QWidget *BuildGetPatchGroup(QWidget *parent);
  // A list with its group, its resize rule and its row texts.
  TSidPatchList *MakeList(TFmListId id, QWidget *parent);
  void ListResize(TFmListId id);
  void SetGetBank(int bank);
  // Save and send buttons are off while the lists they act on are empty.
  void FollowLists();
  void RunFetch(const std::function<TFetchReport(TTransferHost &, const TFmFetch &)> &fetch);
  void SaveSelection(TFmListId id);
  void ShowError(const QString &text);

  TMainContext &m_context;
  QTabWidget *m_tabs;
  std::array<TSidPatchList *, 6> m_lists{};
  QLineEdit *m_getBank = nullptr;
  TSpinButton *m_getBankSpin = nullptr;
  QSpinBox *m_getPatchNo = nullptr;
  QComboBox *m_getType = nullptr;
  QLabel *m_loadedFile = nullptr;
  QString m_loadedPath; // the file the send lists came from, for patches dragged out
  TFmSendPanel *m_sendPanel = nullptr;
};

} // namespace zpm
