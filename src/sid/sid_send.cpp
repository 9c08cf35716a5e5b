// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_send.h"

#include "midi/host_scopes.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_messages.h"
#include "sid/sid_send_safety.h"
#include "sid/sid_transfer.h"

#include <algorithm>

namespace zpm {

namespace {

const char *const kProbeRefusal = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nPlease use the "
                                  "<Send selected patch to destination> function";
const char *const kWriteQuestion = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nWrite to this "
                                   "Bank ?";
const char *const kGetQuestion = "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet this Bank ?";

const char *const kPastLastPatch = "past patch 128";
const char *const kCancelled = "cancelled";
const char *const kDeclined = "declined";
const char *const kSingleCart = "the device has a single PatchCart";
const char *const kInFlight = "on its way when the connection was lost";

constexpr int kLastPatch = 127;

std::string NotAvailableText(int bank) {
  return "Bank " + BankLetter(static_cast<uint8_t>(bank)) + " not available.";
}

std::string TrimmedName(const std::string &name) {
  return name.substr(0, name.find_last_not_of(' ') + 1);
}

// The bytes between F0 and F7 must all be data bytes, or the message would
// end early and the rest would reach the synthesizer as other messages.
bool SendsWhole(const TPatch &patch, bool at) {
  for (size_t i = 1; i + 1 < kSidDumpSize; ++i)
    if (i != 5 && !(at && i == 7) && patch.Dump[i] >= 0x80)
      return false;
  return true;
}

struct TRun {
  TMidiLink &link;
  TTransferHost &host;
  const TSidSendOptions &options;
  const TPatchBank &list;
  TSendReport &report;
  // Sent, and not yet seen to have gone out with the connection still there.
  TSendItem *inFlight = nullptr;

  // Whether the service, a port or the device has gone; the slot in flight
  // then cannot be known to have arrived.
  bool Lost() {
    if (report.lostReason.empty())
      report.lostReason = link.LostReason();
    if (report.lostReason.empty()) {
      inFlight = nullptr;
      return false;
    }
    if (inFlight) {
      inFlight->result = TSendResult::Unknown;
      inFlight->reason = kInFlight;
      inFlight = nullptr;
    }
    return true;
  }

  // Bank Select with its full pause; a lost service ends the run.
  int Select(int bank, bool &lost) {
    TWaitOutcome outcome;
    const int selected = SelectSidBank(link, host, options.device, static_cast<uint8_t>(bank),
                                       options.delayMs, &outcome);
    lost = outcome.end == TWaitEnd::ServiceLost;
    if (lost)
      report.lostReason = outcome.reason;
    // A selection cut off by a stop says nothing of the device: the run ends
    // here, as when the service is lost, and nothing more is written.
    if (outcome.end == TWaitEnd::Cancelled) {
      report.cancelled = true;
      lost = true;
    }
    return selected;
  }

  const char *StopReason() const { return report.cancelled ? kCancelled : kConnectionLost; }

  // One Patch Dump, then the pause unless there is none.
  void Send(TSendItem &item, bool pause) {
    TPatch patch = list.GetPatch(item.row);
    TMemoryStream message;
    if (item.at)
      patch.SaveToStreamAt(message, options.device, static_cast<uint8_t>(item.number));
    else
      patch.SaveToStreamAs(message, options.device);
    inFlight = &item;
    // A SID write has no answer: it is written once its bytes have left
    // and the connection was still there after the device's pause.
    WriteSidPatch(link, host, message, options.delayMs, pause, item);
  }

  // Runs part of a send; a connection or service that fails on the way
  // ends it with the report kept.
  template <typename Part> void Guarded(Part part) {
    try {
      part();
    } catch (const ZpmError &e) {
      // The port or service that went is a better reason than what its
      // going did to the send.
      if (report.lostReason.empty())
        report.lostReason = link.LostReason();
      if (report.lostReason.empty())
        report.lostReason = e.what();
    }
    Lost();
    if (!report.lostReason.empty())
      MarkUnsent(kConnectionLost);
  }

  // A destination bank for Bank and Rows: false when the run ends here.
  bool SelectDestination(int bank, const char *question) {
    bool lost = false;
    const int selected = Select(bank, lost);
    if (lost) {
      MarkUnsent(StopReason());
      return false;
    }
    if (selected == SidSingleCart && !host.Ask(question)) {
      report.declined = true;
      MarkUnsent(kDeclined);
      return false;
    }
    if (selected == SidBankMissing) {
      host.Inform(NotAvailableText(bank));
      for (TSendItem &item : report.items)
        if (item.reason.empty())
          item.result = TSendResult::NotAvailable;
      return false;
    }
    return true;
  }

  void MarkUnsent(const char *reason) {
    for (TSendItem &item : report.items)
      if (item.result == TSendResult::NotSent && item.reason.empty())
        item.reason = reason;
  }

  void PatchList() {
    TProgressRun progress(host, list.Count());
    bool lost = false;
    if (Select(0, lost) == SidSingleCart && !lost) {
      host.Inform(kProbeRefusal);
      MarkUnsent(kSingleCart);
      return;
    }
    if (lost) {
      MarkUnsent(StopReason());
      return;
    }
    int current = -1;
    bool enabled = true;
    for (TSendItem &item : report.items) {
      if (item.bank != current) {
        current = item.bank;
        enabled = true;
        // A single-PatchCart answer here does not stop the sending.
        if (Select(current, lost) == SidBankMissing && !lost) {
          host.Inform(NotAvailableText(current));
          enabled = false;
        }
        if (lost)
          break;
      }
      if (host.ProgressCancelled())
        break;
      if (enabled) {
        Send(item, true);
        if (Lost() || host.ProgressCancelled())
          break;
      } else {
        item.result = TSendResult::NotAvailable;
      }
      host.StepProgress();
    }
  }

  void Bank() {
    TProgressRun progress(host, kLastPatch + 1);
    if (!SelectDestination(report.items.empty() ? 0 : report.items.front().bank, kWriteQuestion))
      return;
    for (TSendItem &item : report.items) {
      Send(item, true);
      if (Lost())
        break;
      host.StepProgress();
      if (host.ProgressCancelled())
        break;
    }
  }

  void Rows(int selected, int bank) {
    TProgressRun progress(host, selected);
    if (!SelectDestination(bank, kWriteQuestion))
      return;
    for (TSendItem &item : report.items) {
      if (!item.reason.empty())
        break; // past patch 128: this one and the rest stay unsent
      Send(item, true);
      if (Lost())
        break;
      host.StepProgress();
      // "&Cancel" stops the run after the patch in progress, as in the other sends.
      if (host.ProgressCancelled())
        break;
    }
  }

  void PatchTo(int bank) {
    TBusyRun busy(host);
    bool lost = false;
    const int selected = Select(bank, lost);
    if (lost) {
      MarkUnsent(StopReason());
      return;
    }
    if (selected == SidSingleCart && !host.Ask(kGetQuestion)) {
      report.declined = true;
      MarkUnsent(kDeclined);
      return;
    }
    if (selected == SidBankMissing) {
      host.Inform(NotAvailableText(bank));
      report.items.front().result = TSendResult::NotAvailable;
      return;
    }
    TSending sending(host);
    Send(report.items.front(), false);
  }
};

TSendItem PlannedItem(const TPatchBank &list, int row, int bank, int number, bool at) {
  TSendItem item;
  item.row = row;
  item.bank = bank;
  item.number = number;
  item.at = at;
  uint8_t name[kNameSize];
  list.GetPatch(row).GetName(name);
  item.name = ListNameText(name);
  return item;
}

} // namespace

std::vector<TSendItem> PlanSidSend(const TSidSendJob &job, const TPatchBank &list, int firstRow) {
  std::vector<TSendItem> items;
  const auto own = [&](int row) { return list.GetPatch(row).PatchNumber(); };
  switch (job.mode) {
  case TSidSendMode::PatchList:
    for (int row = 0; row < list.Count(); ++row)
      items.push_back(PlannedItem(list, row, list.GetPatch(row).Bank, own(row), false));
    break;
  case TSidSendMode::Bank:
    for (int row = 0; row < list.Count(); ++row)
      if (list.GetPatch(row).Bank == job.sourceBank)
        items.push_back(PlannedItem(list, row, job.destBank, own(row), false));
    break;
  case TSidSendMode::Rows:
  case TSidSendMode::PatchTo:
    PlanRowsToSlots(
        job.rows, list.Count(), job.destPosition, kLastPatch, job.mode == TSidSendMode::PatchTo,
        kPastLastPatch, items,
        [&](int row, int slot) { return PlannedItem(list, row, job.destBank, slot, true); });
    break;
  }
  for (const TSendItem &item : items) {
    const TPatch &patch = list.GetPatch(item.row);
    const std::string why =
        item.reason.empty() ? UnsendableText(patch.CutShort, SendsWhole(patch, item.at)) : "";
    if (!why.empty())
      throw ZpmError("Patch " + BankLetter(patch.Bank) + ":" +
                     std::to_string(patch.PatchNumber() + 1) + " \"" + TrimmedName(item.name) +
                     "\" in row " + std::to_string(item.row + firstRow) + why);
  }
  return items;
}

TSendReport RunSidSend(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                       const TSidSendJob &job, const TPatchBank &list) {
  TSendReport report;
  if (list.Count() == 0 && job.mode != TSidSendMode::PatchTo)
    return report;
  CheckSendDevicesOpen(link);
  report.items = PlanSidSend(job, list, options.firstRow);
  if (report.items.empty())
    return report;
  if (job.mode == TSidSendMode::Rows && job.rows.size() > 1 &&
      !host.Ask("There is more than one patch selected, all selected patched will be stored "
                "sequentially starting at " +
                std::to_string(job.destPosition + 1) + ".\r\nContinue ?")) {
    report.declined = true;
    for (TSendItem &item : report.items)
      item.reason = kDeclined;
    return report;
  }
  if (options.backup && !BackupSidBanks(link, host, options, list, report))
    return report;

  TRun run{link, host, options, list, report};
  run.Guarded([&] {
    switch (job.mode) {
    case TSidSendMode::PatchList:
      run.PatchList();
      break;
    case TSidSendMode::Bank:
      run.Bank();
      break;
    case TSidSendMode::Rows:
      run.Rows(static_cast<int>(job.rows.size()), job.destBank);
      break;
    case TSidSendMode::PatchTo:
      run.PatchTo(job.destBank);
      break;
    }
  });
  for (TSendItem &item : report.items)
    if (item.result == TSendResult::NotSent && item.reason.empty())
      item.reason = kCancelled;
  report.cancelled = std::any_of(report.items.begin(), report.items.end(),
                                 [](const TSendItem &item) { return item.reason == kCancelled; });
  if (options.verify && report.lostReason.empty())
    VerifySidSlots(link, host, options, list, report);
  return report;
}

void RetrySidSlots(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                   const TPatchBank &list, TSendReport &report) {
  CheckSendDevicesOpen(link);
  std::vector<TSendItem *> failed;
  for (TSendItem &item : report.items)
    if (item.result == TSendResult::Differs || item.result == TSendResult::Unverified ||
        item.result == TSendResult::Unknown)
      failed.push_back(&item);
  if (failed.empty())
    return;
  TRun run{link, host, options, list, report};
  run.Guarded([&] {
    TProgressRun progress(host, static_cast<int>(failed.size()));
    int current = -1;
    bool enabled = true;
    for (TSendItem *item : failed) {
      if (item->bank != current) {
        current = item->bank;
        bool lost = false;
        // The user has answered for a single-PatchCart device already.
        enabled = run.Select(current, lost) != SidBankMissing;
        if (lost)
          break;
      }
      if (host.ProgressCancelled())
        break;
      if (enabled) {
        run.Send(*item, true);
        if (run.Lost())
          break;
      } else {
        item->result = TSendResult::NotAvailable;
      }
      host.StepProgress();
    }
  });
  if (report.verified && report.lostReason.empty())
    VerifySidSlots(link, host, options, list, report);
}

const char *SendResultText(TSendResult result) {
  switch (result) {
  case TSendResult::Written:
    return "sent";
  case TSendResult::Verified:
    return "verified";
  case TSendResult::Differs:
    return "differs";
  case TSendResult::NotAvailable:
    return "not available";
  case TSendResult::Unverified:
    return "not verified";
  case TSendResult::NoAnswer:
    return "no answer";
  case TSendResult::Unknown:
    return "unknown";
  case TSendResult::NotSent:
    break;
  }
  return "not sent";
}

} // namespace zpm
