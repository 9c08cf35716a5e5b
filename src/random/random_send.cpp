// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/random_send.h"

#include "fm/fm_send_safety.h"
#include "fm/fm_transfer.h"
#include "midi/host_scopes.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "random/fm_random.h"
#include "random/sid_random.h"
#include "sid/sid_send_safety.h"
#include "sid/sid_transfer.h"

namespace zpm {

namespace {

const char *const kSinglePatchCartQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nWrite to this Bank ?";

// What the sends call the slots a run did not write, so that the report
// and its retries treat them alike.
const char *const kCancelled = "cancelled";
const char *const kDeclined = "declined";
const char *const kInFlight = "on its way when the connection was lost";

// Sends one patch; false when the service, a port or the device went away
// (send returns the reason, or raises it), the patch's arrival unknown.
template <typename Send>
bool SendOrLose(TMidiLink &link, TRandomSendReport &report, TSendItem &item, Send send) {
  try {
    report.lostReason = send();
  } catch (const ZpmError &e) {
    // The port or service that went says more than what its going did.
    report.lostReason = link.LostReason();
    if (report.lostReason.empty())
      report.lostReason = e.what();
  }
  if (report.lostReason.empty())
    return true;
  report.unknown = 1;
  report.send.lostReason = report.lostReason;
  item.result = TSendResult::Unknown;
  item.reason = kInFlight;
  return false;
}

TSendItem PlannedItem(int row, int bank, int slot, int type, const uint8_t *name) {
  TSendItem item;
  item.row = row;
  item.bank = bank;
  item.number = slot;
  item.type = type;
  item.name = ListNameText(name);
  return item;
}

void MarkUnsent(TSendReport &sends, const char *reason) {
  for (TSendItem &item : sends.items)
    if (item.result == TSendResult::NotSent && item.reason.empty())
      item.reason = reason;
}

// The patches a run did not get to say why.
void EndSlots(TRandomSendReport &report) {
  report.send.cancelled = report.cancelled;
  if (!report.lostReason.empty())
    MarkUnsent(report.send, kConnectionLost);
  else if (report.cancelled)
    MarkUnsent(report.send, kCancelled);
}

std::string Plural(int count, const char *one, const char *many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

TFmLists TRandomSendReport::FmLists() const {
  static const TFMPatchBank none;
  const uint8_t type = fmVoices.Count() > 0 ? fmVoices.GetPatch(0).PatchType() : kFmVoice;
  return {type == kFmVoice ? fmVoices : none, type == kFmDrumset ? fmVoices : none,
          type == kFmEnsemble ? fmVoices : none};
}

TRandomSendReport SendSidRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                   const RangeGrid &grid, int delayMs) {
  TSidSendOptions options;
  options.delayMs = delayMs;
  return SendSidRandomRun(link, host, run, grid, options);
}

TRandomSendReport SendSidRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                   const RangeGrid &grid, const TSidSendOptions &options) {
  // The patches are made, and checked, before anything goes out.
  TPatchBank made;
  SidRandomPatches patches(run, grid);
  while (patches.Next())
    made.Add(patches.Patch());
  return SendSidPatchRun(link, host, run, made, options);
}

TRandomSendReport SendSidPatchRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const TPatchBank &patches, const TSidSendOptions &given) {
  link.CheckDevicesOpen();
  TSidSendOptions options = given;
  options.device = static_cast<uint8_t>(run.DeviceId);
  const uint8_t device = options.device;
  const auto bank = static_cast<uint8_t>(run.Bank);
  TRandomSendReport report;
  for (int i = 0; i < patches.Count(); ++i) {
    TPatch patch = patches.GetPatch(i);
    patch.Bank = bank;
    uint8_t name[kNameSize];
    patch.GetName(name);
    report.sidPatches.Add(patch);
    report.send.items.push_back(PlannedItem(i, run.Bank, patch.PatchNumber(), -1, name));
  }
  TSendReport &sends = report.send;
  if (options.backup && !BackupSidBanks(link, host, options, report.sidPatches, sends))
    return report;
  {
    TProgressRun progress(host, run.Count);
    const int selected = SelectSidBank(link, host, device, bank, options.delayMs);
    if (selected == -1 && !host.Ask(kSinglePatchCartQuestion)) {
      report.bankRefused = true;
      sends.declined = true;
      MarkUnsent(sends, kDeclined);
      return report;
    }
    if (selected == 0) {
      host.Inform("Bank " + BankLetter(bank) + " not available.");
      report.bankRefused = true;
      for (TSendItem &item : sends.items)
        item.result = TSendResult::NotAvailable;
      return report;
    }
    // "&Cancel" is looked at only after a patch: one pressed during the bank
    // selection still lets the first patch go.
    for (TSendItem &item : sends.items) {
      TPatch patch = report.sidPatches.GetPatch(item.row);
      TMemoryStream message;
      patch.SaveToStreamAs(message, device);
      // No answer comes: a patch counts as sent once it has left and the
      // connection is still there after the pause.
      if (!SendOrLose(link, report, item, [&] {
            WriteSidPatch(link, host, message, options.delayMs, true, item);
            return link.LostReason();
          }))
        break;
      host.StepProgress();
      ++report.sent;
      if (host.ProgressCancelled()) {
        report.cancelled = true;
        break;
      }
    }
  }
  EndSlots(report);
  if (options.verify && sends.lostReason.empty())
    VerifySidSlots(link, host, options, report.sidPatches, sends);
  return report;
}

TRandomSendReport SendFmRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const RangeGrid &grid, int ackTimeoutMs) {
  TFmSendOptions options;
  options.ackTimeoutMs = ackTimeoutMs;
  return SendFmRandomRun(link, host, run, grid, options);
}

TRandomSendReport SendFmRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const RangeGrid &grid, const TFmSendOptions &options) {
  TFMPatchBank made;
  FmRandomPatches patches(run, grid);
  while (patches.Next())
    made.Add(patches.Patch());
  return SendFmPatchRun(link, host, run, made, options);
}

TRandomSendReport SendFmPatchRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                 const TFMPatchBank &patches, const TFmSendOptions &given) {
  link.CheckDevicesOpen();
  TFmSendOptions options = given;
  options.device = static_cast<uint8_t>(run.DeviceId);
  TRandomSendReport report;
  for (int i = 0; i < patches.Count(); ++i) {
    const TFMPatch &patch = patches.GetPatch(i);
    uint8_t name[kNameSize];
    patch.GetName(name);
    report.fmVoices.Add(patch);
    report.send.items.push_back(
        PlannedItem(i, patch.Bank(), patch.PatchNumber(), patch.PatchType(), name));
  }
  TSendReport &sends = report.send;
  if (options.backup && !BackupFmBanks(link, host, options, sends))
    return report;
  {
    TProgressRun progress(host, run.Count);
    for (TSendItem &item : sends.items) {
      TFMPatch voice = report.fmVoices.GetPatch(item.row);
      TMemoryStream message;
      voice.SaveToStreamAs(message, options.device);
      // The full timeout each time, as the device may still be busy writing
      // when its acknowledgement is out.
      FmWriteReply reply = FmWriteReply::NoReply;
      bool kept = true;
      do {
        ++item.tries;
        host.SendWriting(item, true);
        kept = SendOrLose(link, report, item, [&] {
          TWaitOutcome outcome;
          reply = WriteFmPatch(link, host, message, options.ackTimeoutMs, TFmWriteWait::FullTimeout,
                               &outcome);
          link.Drain();
          return outcome.end == TWaitEnd::ServiceLost ? outcome.reason : link.LostReason();
        });
      } while (kept && reply == FmWriteReply::NoReply && item.tries <= options.retries);
      if (!kept)
        break;
      switch (reply) {
      case FmWriteReply::Acknowledged:
        ++report.acknowledged;
        item.result = TSendResult::Written;
        break;
      case FmWriteReply::Refused:
        ++report.refused;
        item.result = TSendResult::NotAvailable;
        break;
      case FmWriteReply::NoReply:
        ++report.unanswered;
        item.result = TSendResult::NoAnswer;
        break;
      }
      host.StepProgress();
      ++report.sent;
      if (host.ProgressCancelled()) {
        report.cancelled = true;
        break;
      }
    }
  }
  EndSlots(report);
  if (options.verify && sends.lostReason.empty())
    VerifyFmSlots(link, host, options, report.FmLists(), sends);
  return report;
}

std::string RandomRunSummary(const RandomRun &run, int made) {
  const int first = run.FirstPatch;
  std::string text = Plural(made, "patch", "patches");
  if (made == 1)
    text += ", slot " + std::to_string(first);
  else if (made > 1)
    text += ", slots " + std::to_string(first) + "-" + std::to_string(first + made - 1);
  text += " of bank " + BankLetter(static_cast<uint8_t>(run.Bank));
  const int length = RandomRunLength(run);
  if (made < length)
    text += "; " + std::to_string(length - made) + " not sent";
  const int past = run.Count - length;
  if (past > 0)
    text += "; " + std::to_string(past) + " past slot " + std::to_string(run.Slots) + " not made";
  return text;
}

std::string RandomLostText(const RandomRun &run, const TRandomSendReport &report) {
  if (report.lostReason.empty())
    return std::string();
  return report.lostReason + " Patch " + std::to_string(run.FirstPatch + report.sent) +
         " of bank " + BankLetter(static_cast<uint8_t>(run.Bank)) +
         " was on its way and may not have arrived; the patches after it were not sent.";
}

std::string FmRefusalText(const RandomRun &run, const TRandomSendReport &report) {
  if (report.refused == 0)
    return std::string();
  const std::string bank = BankLetter(static_cast<uint8_t>(run.Bank));
  return "The synthesizer refused " + std::to_string(report.refused) + " of " +
         Plural(report.sent, "voice", "voices") + " sent to bank " + bank +
         ", so they were not stored. Check that the synthesizer has bank " + bank +
         " and create the voices again.";
}

} // namespace zpm
