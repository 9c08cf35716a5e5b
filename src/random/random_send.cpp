#include "random/random_send.h"

#include "fm/fm_transfer.h"
#include "midi/host_scopes.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "random/fm_random.h"
#include "random/sid_random.h"
#include "sid/sid_transfer.h"

namespace zpm {

namespace {

const char *const kSinglePatchCartQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nWrite to this Bank ?";

// Sends one patch; false when the service, a port or the device went away
// (send returns the reason, or raises it), the patch's arrival unknown.
template <typename Send> bool SendOrLose(TMidiLink &link, TRandomSendReport &report, Send send) {
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
  return false;
}

std::string Plural(int count, const char *one, const char *many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

TRandomSendReport SendSidRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                   const RangeGrid &grid, int delayMs) {
  link.CheckDevicesOpen();
  // The patches are checked before anything goes out.
  SidRandomPatches patches(run, grid);
  const auto device = static_cast<uint8_t>(run.DeviceId);
  const auto bank = static_cast<uint8_t>(run.Bank);
  TRandomSendReport report;
  TProgressRun progress(host, run.Count);
  const int selected = SelectSidBank(link, host, device, bank, delayMs);
  if (selected == -1 && !host.Ask(kSinglePatchCartQuestion)) {
    report.bankRefused = true;
    return report;
  }
  if (selected == 0) {
    host.Inform("Bank " + BankLetter(bank) + " not available.");
    report.bankRefused = true;
    return report;
  }
  // "&Cancel" is looked at only after a patch: one pressed during the bank
  // selection still lets the first patch go.
  while (patches.Next()) {
    TPatch patch = patches.Patch();
    TMemoryStream message;
    patch.SaveToStreamAs(message, device);
    // No answer comes: a patch counts as sent once it has left and the
    // connection is still there after the pause.
    if (!SendOrLose(link, report, [&] {
          link.Send(message);
          link.Drain();
          host.Delay(delayMs);
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
  return report;
}

TRandomSendReport SendFmRandomRun(TMidiLink &link, TTransferHost &host, const RandomRun &run,
                                  const RangeGrid &grid, int ackTimeoutMs) {
  link.CheckDevicesOpen();
  FmRandomPatches patches(run, grid);
  const auto device = static_cast<uint8_t>(run.DeviceId);
  TRandomSendReport report;
  TProgressRun progress(host, run.Count);
  while (patches.Next()) {
    TFMPatch voice = patches.Patch();
    TMemoryStream message;
    voice.SaveToStreamAs(message, device);
    // The full timeout each time, as the device may still be busy writing
    // when its acknowledgement is out.
    FmWriteReply reply = FmWriteReply::NoReply;
    if (!SendOrLose(link, report, [&] {
          TWaitOutcome outcome;
          reply =
              WriteFmPatch(link, host, message, ackTimeoutMs, TFmWriteWait::FullTimeout, &outcome);
          link.Drain();
          return outcome.end == TWaitEnd::ServiceLost ? outcome.reason : link.LostReason();
        }))
      break;
    switch (reply) {
    case FmWriteReply::Acknowledged:
      ++report.acknowledged;
      break;
    case FmWriteReply::Refused:
      ++report.refused;
      break;
    case FmWriteReply::NoReply:
      ++report.unanswered;
      break;
    }
    host.StepProgress();
    ++report.sent;
    if (host.ProgressCancelled()) {
      report.cancelled = true;
      break;
    }
  }
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
    text += "; " + std::to_string(past) + " past slot 128 not made";
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
