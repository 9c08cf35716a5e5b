// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_send.h"

#include "fm/fm_messages.h"
#include "fm/fm_send_safety.h"
#include "fm/fm_transfer.h"
#include "midi/host_scopes.h"
#include "patch/checksum.h"
#include "patch/error.h"
#include "patch/list_text.h"

#include <algorithm>

namespace zpm {

namespace {

const char *const kPastLastSlot = "past the type's last slot";
const char *const kStopped = "the run stopped before it";
const char *const kCancelled = "cancelled";
const char *const kDeclined = "declined";
const char *const kInFlight = "on its way when the connection was lost";

// What the device cannot take in a patch it refused, as far as the patch
// itself tells; empty when nothing in it explains the refusal.
std::string RefusalCause(const TFMPatch &patch, const TSendItem &item) {
  if (!item.at && patch.PatchNumber() >= FmPatchesPerBank(static_cast<uint8_t>(item.type)))
    return "its number " + std::to_string(patch.PatchNumber() + 1) + " is past the " +
           std::string(FmListName(item.type)) + "' last slot (" +
           std::to_string(FmPatchesPerBank(static_cast<uint8_t>(item.type))) + ")";
  if (DataChecksum(patch.Data()) != patch.Checksum())
    return "its checksum is wrong (WRONG in its file)";
  return {};
}

constexpr std::array<uint8_t, 3> kTypes = {kFmVoice, kFmDrumset, kFmEnsemble};

std::string NotAvailableText(int bank) {
  return "Bank " + BankLetter(static_cast<uint8_t>(bank)) + " not available.";
}

// Between F0 and F7 only data bytes, or the message would end early; the
// bytes the write replaces (device, and bank and number when re-addressed)
// do not count.
bool SendsWhole(const TFMPatch &patch, bool at) {
  for (size_t i = 1; i + 1 < kFmDumpSize; ++i)
    if (i != 5 && !(at && (i == 8 || i == 9)) && patch.Dump[i] >= 0x80)
      return false;
  return true;
}

TSendItem PlannedItem(const TFMPatchBank &list, int type, int row, int bank, int number, bool at) {
  TSendItem item;
  item.type = type;
  item.row = row;
  item.bank = bank;
  item.number = number;
  item.at = at;
  if (type == kFmVoice) {
    uint8_t name[kNameSize];
    list.GetPatch(row).GetName(name);
    item.name = ListNameText(name);
  }
  return item;
}

void PlanAsStored(std::vector<TSendItem> &items, const TFMPatchBank &list, int type,
                  const std::vector<int> &rows) {
  for (int row : rows)
    if (row >= 0 && row < list.Count()) {
      const TFMPatch &patch = list.GetPatch(row);
      items.push_back(PlannedItem(list, type, row, patch.Bank(), patch.PatchNumber(), false));
    }
}

std::vector<int> AllRows(const TFMPatchBank &list) {
  std::vector<int> rows(static_cast<size_t>(list.Count()));
  for (size_t i = 0; i < rows.size(); ++i)
    rows[i] = static_cast<int>(i);
  return rows;
}

std::vector<int> Sorted(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

// A list's selection counts only when its first selected row is in the list.
std::vector<int> Selection(const TFMPatchBank &list, const std::vector<int> &selected) {
  std::vector<int> rows = Sorted(selected);
  if (rows.empty() || rows.front() >= list.Count())
    return {};
  return rows;
}

bool AnyPatch(const TFmLists &lists) {
  return lists.voices.Count() > 0 || lists.drums.Count() > 0 || lists.ensembles.Count() > 0;
}

struct TRun {
  TMidiLink &link;
  TTransferHost &host;
  const TFmSendOptions &options;
  const TFmLists &lists;
  TSendReport &report;

  // One write with its answer, again while no answer came; a refusal is an
  // answer and ends it.
  void Write(TSendItem &item, TFmWriteWait wait) {
    TFMPatch patch = lists.Of(item.type).GetPatch(item.row);
    TMemoryStream image;
    if (item.at)
      patch.SaveToStreamAt(image, options.device, static_cast<uint8_t>(item.bank),
                           static_cast<uint8_t>(item.number));
    else
      patch.SaveToStreamAs(image, options.device);
    item.reason.clear();
    for (int attempt = 0; attempt <= options.retries; ++attempt) {
      ++item.tries;
      // Set before it goes out: a connection that fails while sending
      // leaves its arrival unknown.
      item.result = TSendResult::Unknown;
      TWaitOutcome outcome;
      const FmWriteReply reply =
          WriteFmPatch(link, host, image, options.ackTimeoutMs, wait, &outcome);
      if (reply == FmWriteReply::Acknowledged) {
        item.result = TSendResult::Written;
        return;
      }
      if (reply == FmWriteReply::Refused) {
        item.result = TSendResult::NotAvailable;
        item.reason = RefusalCause(patch, item);
        return;
      }
      item.result = TSendResult::NoAnswer;
      const std::string lost =
          outcome.end == TWaitEnd::ServiceLost ? outcome.reason : link.LostReason();
      if (!lost.empty()) {
        report.lostReason = lost;
        item.result = TSendResult::Unknown;
        item.reason = kInFlight;
        return;
      }
    }
  }

  void MarkUnsent(const char *reason) {
    for (TSendItem &item : report.items)
      if (item.result == TSendResult::NotSent && item.reason.empty())
        item.reason = reason;
  }

  // Runs part of a send; a connection or service that fails while a patch
  // goes out ends it with the report kept, that patch's arrival unknown.
  template <typename Part> void Guarded(Part part) {
    try {
      part();
      // A write left unanswered is done only once it has left.
      link.Drain();
    } catch (const ZpmError &e) {
      if (report.lostReason.empty())
        report.lostReason = link.LostReason();
      if (report.lostReason.empty())
        report.lostReason = e.what();
      for (TSendItem &item : report.items)
        if (item.result == TSendResult::Unknown && item.reason.empty())
          item.reason = kInFlight;
    }
    if (!report.lostReason.empty())
      MarkUnsent(kConnectionLost);
  }

  // Every slot to write in order; false when the run stopped.
  bool Items(std::vector<TSendItem *> items, TFmWriteWait voiceWait, TFmWriteWait otherWait) {
    for (TSendItem *item : items) {
      Write(*item, item->type == kFmVoice ? voiceWait : otherWait);
      host.StepProgress();
      if (!report.lostReason.empty()) {
        MarkUnsent(kConnectionLost);
        return false;
      }
      if (item->result != TSendResult::Written) {
        host.Inform(
            NotAvailableText(item->bank) +
            (item->reason.empty() ? "" : "\r\nThe patch was refused: " + item->reason + "."));
        MarkUnsent(kStopped);
        return false;
      }
      if (host.ProgressCancelled()) {
        report.cancelled = true;
        MarkUnsent(kCancelled);
        return false;
      }
    }
    return true;
  }
};

std::vector<TSendItem *> ToWrite(TSendReport &report) {
  std::vector<TSendItem *> items;
  for (TSendItem &item : report.items)
    if (item.reason.empty())
      items.push_back(&item);
  return items;
}

} // namespace

const TFMPatchBank &TFmLists::Of(int type) const {
  if (type == kFmDrumset)
    return drums;
  if (type == kFmEnsemble)
    return ensembles;
  return voices;
}

std::vector<TSendItem> PlanFmSend(const TFmSendJob &job, const TFmLists &lists, int firstRow) {
  std::vector<TSendItem> items;
  const TFMPatchBank &list = lists.Of(job.type);
  switch (job.mode) {
  case TFmSendMode::Type:
    PlanAsStored(items, list, job.type, AllRows(list));
    break;
  case TFmSendMode::AllTypes:
    for (uint8_t type : kTypes)
      PlanAsStored(items, lists.Of(type), type, AllRows(lists.Of(type)));
    break;
  case TFmSendMode::Selected:
    for (size_t i = 0; i < kTypes.size(); ++i)
      PlanAsStored(items, lists.Of(kTypes[i]), kTypes[i],
                   Selection(lists.Of(kTypes[i]), job.selected[i]));
    break;
  case TFmSendMode::Bank:
    for (int row = 0; row < list.Count(); ++row)
      if (list.GetPatch(row).Bank() == job.sourceBank)
        items.push_back(
            PlannedItem(list, job.type, row, job.destBank, list.GetPatch(row).PatchNumber(), true));
    break;
  case TFmSendMode::Rows:
  case TFmSendMode::PatchTo:
    PlanRowsToSlots(job.rows, list.Count(), job.destPosition, FmPatchesPerBank(job.type) - 1,
                    job.mode == TFmSendMode::PatchTo, kPastLastSlot, items, [&](int row, int slot) {
                      return PlannedItem(list, job.type, row, job.destBank, slot, true);
                    });
    break;
  }
  for (const TSendItem &item : items) {
    const TFMPatch &patch = lists.Of(item.type).GetPatch(item.row);
    const std::string why =
        item.reason.empty() ? UnsendableText(patch.CutShort, SendsWhole(patch, item.at)) : "";
    if (!why.empty())
      throw ZpmError("The " + std::string(FmListName(item.type)) + " patch " +
                     BankLetter(patch.Bank()) + ":" + std::to_string(patch.PatchNumber() + 1) +
                     " in row " + std::to_string(item.row + firstRow) + why);
  }
  return items;
}

TSendReport RunFmSend(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                      const TFmSendJob &job, const TFmLists &lists) {
  TSendReport report;
  if (!AnyPatch(lists))
    return report;
  report.items = PlanFmSend(job, lists, options.firstRow);
  if (ToWrite(report).empty())
    return report;
  if (job.mode == TFmSendMode::Rows && report.items.size() > 1 &&
      !host.Ask("There is more than one patch selected, all selected patched will be stored "
                "sequentially starting at " +
                std::to_string(job.destPosition + 1) + ".\r\nContinue ?")) {
    report.declined = true;
    for (TSendItem &item : report.items)
      if (item.reason.empty())
        item.reason = kDeclined;
    return report;
  }
  CheckSendDevicesOpen(link);
  if (options.backup && !BackupFmBanks(link, host, options, report))
    return report;

  TRun run{link, host, options, lists, report};
  const std::vector<TSendItem *> items = ToWrite(report);
  if (job.mode == TFmSendMode::PatchTo) {
    TBusyRun busy(host);
    TSending sending(host);
    run.Guarded([&] {
      run.Write(*items.front(), TFmWriteWait::FullTimeout);
      if (items.front()->result != TSendResult::Written && report.lostReason.empty())
        host.Inform(NotAvailableText(items.front()->bank));
    });
  } else {
    TProgressRun progress(host, static_cast<int>(items.size()));
    TSending sending(host);
    // Drumsets and ensembles of a selection wait the whole timeout per patch.
    const TFmWriteWait others =
        job.mode == TFmSendMode::Selected ? TFmWriteWait::FullTimeout : TFmWriteWait::UntilAck;
    run.Guarded([&] { run.Items(items, TFmWriteWait::UntilAck, others); });
  }
  if (options.verify && report.lostReason.empty())
    VerifyFmSlots(link, host, options, lists, report);
  return report;
}

bool FmSlotFailed(const TSendItem &item) {
  switch (item.result) {
  case TSendResult::NotAvailable:
  case TSendResult::NoAnswer:
  case TSendResult::Differs:
  case TSendResult::Unverified:
  case TSendResult::Unknown:
    return true;
  case TSendResult::NotSent:
    return item.reason == kStopped || item.reason == kCancelled || item.reason == kConnectionLost;
  case TSendResult::Written:
  case TSendResult::Verified:
    break;
  }
  return false;
}

void RetryFmSlots(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                  const TFmLists &lists, TSendReport &report) {
  CheckSendDevicesOpen(link);
  std::vector<TSendItem *> failed;
  for (TSendItem &item : report.items)
    if (FmSlotFailed(item)) {
      item.result = TSendResult::NotSent;
      item.reason.clear();
      failed.push_back(&item);
    }
  if (failed.empty())
    return;
  report.cancelled = false;
  report.lostReason.clear();
  TRun run{link, host, options, lists, report};
  {
    TProgressRun progress(host, static_cast<int>(failed.size()));
    TSending sending(host);
    run.Guarded([&] { run.Items(failed, TFmWriteWait::UntilAck, TFmWriteWait::UntilAck); });
  }
  if (report.verified && report.lostReason.empty())
    VerifyFmSlots(link, host, options, lists, report);
}

const char *FmSendResultText(TSendResult result) {
  switch (result) {
  case TSendResult::Written:
    return "written";
  case TSendResult::Verified:
    return "verified";
  case TSendResult::Differs:
    return "differs";
  case TSendResult::NotAvailable:
    return "refused";
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

const char *FmListName(int type) {
  if (type == kFmDrumset)
    return "drumsets";
  if (type == kFmEnsemble)
    return "ensembles";
  return "voices";
}

} // namespace zpm
