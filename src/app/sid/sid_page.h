// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SID patches page: "&Get SID patch" fetches patches from the device into
// SidGetBank and saves them to files, "&Send SID patch" loads a file into
// SidFileBank for sending. The handlers read their controls, run the core
// operation over the main window's link and host, and show the result.

#include "app/main_context.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;

namespace zpm {

class TSidPatchList;
class TSidSendPanel;
class TSpinButton;
struct TSidFetch;
struct TFetchReport;

class TSidPage : public QWidget {
  Q_OBJECT

public:
  enum Tab { GetTab = 0, SendTab = 1 };

  explicit TSidPage(TMainContext &context, QWidget *parent = nullptr);

  void SelectTab(Tab tab);
  Tab CurrentTab() const;
  // Sets both lists to the counts of their banks, after a bank was changed
  // from outside the page.
  void RefreshLists();
  // Runs the resize rule of the list on the visible tab again.
  void ReapplyListWidth();

  // Row texts of the two lists: empty beyond the bank's Count.
  QStringList lvSysExPatchListData(int item) const;
  QStringList lvFilePatchListData(int item) const;

  // "&Load SysEx file" for a file chosen elsewhere (dropped, named at start).
  void LoadFile(const QString &path);

  // The "Patch list" group of the send tab.
  TSidSendPanel &SendPanel() { return *m_sendPanel; }

public slots:
  void btnGetSinglePatchClick();
  void btnGetSingleBankClick();
  void btnGetAllBanksClick();
  void btnSysExSaveAllClick();
  void btnSysExSendSelectedClick();
  void btnFileSaveSelectedClick();
  void btnLoadSysFileClick();
  void btnSysExStoreDifferentClick();
  void spGetBankUpClick();
  void spGetBankDownClick();
  void lvSysExPatchListResize();
  void lvFilePatchListResize();

private:
  QWidget *BuildGetTab();
  QWidget *BuildSendTab();
  void SetGetBank(int bank);
  // Runs one fetch into SidGetBank with the "Get Patch" group's values.
  // Tells the user of answers cut short and of a lost service.
  void RunFetch(const std::function<TFetchReport(TTransferHost &, TSidFetch &)> &fetch);
  void SaveSelected(TSidPatchList &list, const TPatchBank &bank);
  // The standard error box, for a non-empty text.
  void ShowError(const QString &text);

  TMainContext &m_context;
  QTabWidget *m_tabs;
  TSidPatchList *m_getList = nullptr;
  TSidPatchList *m_fileList = nullptr;
  QLineEdit *m_getBank = nullptr;
  TSpinButton *m_getBankSpin = nullptr;
  QSpinBox *m_getPatchNr = nullptr;
  QLabel *m_loadedFile = nullptr;
  QString m_loadedPath; // the file the send lists came from, for patches dragged out
  // The side columns of the two tabs; the send groups go below the file buttons.
  QVBoxLayout *m_getSide = nullptr;
  QVBoxLayout *m_sendSide = nullptr;
  TSidSendPanel *m_sendPanel = nullptr;
};

} // namespace zpm
