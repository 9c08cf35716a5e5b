// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sending part of the FM page: per type "Send all", the copy of a source
// bank or of the selection to a destination, the "All Types" sends with the
// backup and read-back options, the left click on a send list that makes the
// clicked patch's bank the source, and the get tab's single send through
// "Send FM Patch". After a run with a refused, unanswered or differing slot
// the report offers "Retry failed slots".

#include "app/main_context.h"
#include "fm/fm_send.h"

#include <QObject>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QWidget;

namespace zpm {

class TfrmFMSaveLocation;
class TSidPatchList;

class TFmSendPanel : public QObject {
  Q_OBJECT

public:
  // lists: the send tab's voice, drumset and ensemble lists; parent: the tab.
  TFmSendPanel(TMainContext &context, const std::array<TSidPatchList *, 3> &lists, QWidget *parent);

  // The controls below a type's list, and the "All Types" group.
  QWidget *TypeControls(uint8_t type) const;
  QGroupBox *AllTypesGroup() const { return m_allTypes; }

  // "Back up destination banks first", "Verify after sending": the same
  // settings as the SID page's.
  QCheckBox *BackupCheck() const { return m_backup; }
  QCheckBox *VerifyCheck() const { return m_verify; }

  // The get tab's "Send Selected" of a type: its list and bank.
  void SendFetchedPatch(uint8_t type, TSidPatchList &list, const TFMPatchBank &bank);
  TfrmFMSaveLocation &SaveLocation();

public slots:
  void btnFMSendAllVoicesClick(uint8_t type);
  void btnFMCopySysExClick(uint8_t type);
  void btnFMSaveAllPatchesSysExClick();
  void btnFMSaveSelectedPatchesSysExClick();
  void cmbFMSrcPatchChange(uint8_t type);
  void lvFMSendMouseDown(uint8_t type, int item);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct TTypeControls {
    QWidget *box = nullptr;
    QComboBox *srcPatch = nullptr;
    QComboBox *srcBank = nullptr;
    QComboBox *destBank = nullptr;
    QComboBox *destPatch = nullptr;
  };
  static size_t Index(uint8_t type);
  TFmLists Lists() const;
  TFmSendOptions Options() const;
  void RunSend(const TFmSendJob &job, const TFmLists &lists);
  void ShowReport(TSendReport &report, const TFmLists &lists);
  void ShowError(const QString &text);

  TMainContext &m_context;
  QWidget *m_parent;
  std::array<TSidPatchList *, 3> m_lists;
  std::array<TTypeControls, 3> m_controls;
  QGroupBox *m_allTypes;
  QCheckBox *m_backup;
  QCheckBox *m_verify;
  TfrmFMSaveLocation *m_saveLocation = nullptr;
};

// The report of an FM send that the user reads, until "&Close": "Retry
// failed slots" sends them again with the options of that moment and shows
// the report anew. The slots sent again go into the library, as random
// patches when random.
void ShowFmSendReport(TMainContext &context, QWidget *parent,
                      const std::function<TFmSendOptions()> &options, TSendReport &report,
                      const TFmLists &lists, bool random = false);

} // namespace zpm
