// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_send.h"

#include "app/backup_file.h"
#include "app/fm/fm_send_panel.h"
#include "app/library/library_record.h"
#include "app/main_context.h"
#include "app/page_support.h"
#include "app/sid/sid_send_panel.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>

namespace zpm {

namespace {

void ShowError(QWidget *parent, const std::string &text) {
  if (!text.empty())
    QMessageBox::critical(parent, QApplication::applicationDisplayName(),
                          QString::fromStdString(text));
}

// A bank send walks all the bank's numbers; the "Working..." dialog counts
// only the slots that go out.
class TSlotCountHost : public TListHost {
public:
  TSlotCountHost(TTransferHost &host, int sent) : TListHost(host, [] {}), m_slots(sent) {}
  void BeginProgress(int count) override { TListHost::BeginProgress(std::min(count, m_slots)); }

private:
  int m_slots;
};

bool AnyReached(const TSendReport &report) {
  for (const TSendItem &item : report.items)
    if (SlotReached(item.result))
      return true;
  return false;
}

} // namespace

bool SendPlacedBank(TMainContext &context, QWidget *parent, const std::vector<TPlacedPatch> &placed,
                    int from, int to, bool backup, bool verify) {
  if (placed.empty())
    return false;
  // Told over the window the send was started from.
  QWidget *window = parent ? parent->window() : context.MainWindow();
  TSendReport report;
  TSlotCountHost host(context.Host(), static_cast<int>(placed.size()));
  if (placed.front().patch.kind == TKind::Sid) {
    const TSidSendOptions options = WindowSidSendOptions(context, backup, verify);
    const TPatchBank list = SidBankOf(placed, options.device);
    TSidSendJob job;
    job.mode = TSidSendMode::Bank;
    job.sourceBank = from;
    job.destBank = to;
    try {
      report = RunSidSend(context.Link(), host, options, job, list);
    } catch (const std::exception &e) {
      ShowError(window, e.what());
    }
    KeepSnapshot(context, SidSendRecord(report, list, options.device));
    ShowError(window, report.backupProblem);
    ShowError(window, report.lostReason);
    // Every send that began ends with its slots, verified or not.
    if (!report.items.empty())
      ShowSidSendReport(context, window, report, list);
  } else {
    const TFmSendOptions options = WindowFmSendOptions(context, backup, verify);
    const TFmBanks banks = FmBanksOf(placed, options.device);
    TFmSendJob job;
    job.mode = TFmSendMode::Bank;
    job.type = FmType(placed.front().patch.kind);
    job.sourceBank = from;
    job.destBank = to;
    try {
      report = RunFmSend(context.Link(), host, options, job, banks.Lists());
    } catch (const std::exception &e) {
      ShowError(window, e.what());
    }
    KeepSnapshot(context, FmSendRecord(report, banks.Lists(), options.device));
    ShowError(window, report.backupProblem);
    ShowError(window, report.lostReason);
    if (!report.items.empty())
      ShowFmSendReport(
          context, window, [&] { return options; }, report, banks.Lists());
  }
  return AnyReached(report);
}

} // namespace zpm
