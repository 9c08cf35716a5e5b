// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/dump_fetch.h"

#include "midi/log_text.h"
#include "patch/list_text.h"

namespace zpm {

namespace {

bool WorthAnotherTry(TFetchResult result) {
  return result == TFetchResult::CutShort || result == TFetchResult::NoAnswer;
}

std::string SlotText(const TFetchItem &item) {
  std::string text = BankLetter(static_cast<uint8_t>(item.bank));
  if (item.patch > 0)
    text += ":" + std::to_string(item.patch);
  return text;
}

} // namespace

void AwaitQuiet(TMidiLink &link, TTransferHost &host) {
  // A bank dump at the cable's 3125 bytes a second, and some.
  constexpr auto kLongest = std::chrono::milliseconds(12000);
  constexpr int kStepMs = 100;
  if (!link.reception.DeviceSending() || link.reception.StopRequested())
    return;
  host.WaitingForQuiet(true);
  const auto until = TReception::Clock::now() + kLongest;
  while (link.reception.DeviceSending() && TReception::Clock::now() < until &&
         link.reception.LostReason().empty() && !link.reception.StopRequested() &&
         !host.ProgressCancelled())
    host.Delay(kStepMs);
  host.WaitingForQuiet(false);
}

TWaitOutcome AwaitDump(TMidiLink &link, TTransferHost &host, const TAwait &await,
                       const Bytes &request) {
  return link.SendAndAwait(await, request, [&] {
    if (host.WaitForSysEx() == kWaitCancelled)
      link.reception.CancelWait();
  });
}

Bytes FetchDump(TMidiLink &link, TTransferHost &host, int retries, int retryPauseMs,
                const TAwait &await, const Bytes &request, TFetchItem &item,
                const std::function<bool(const Bytes &)> &checksumOk) {
  Bytes flagged;
  for (int attempt = 0; attempt <= retries; ++attempt) {
    if (attempt > 0 && item.result == TFetchResult::CutShort && retryPauseMs > 0)
      host.Delay(retryPauseMs);
    if (link.reception.StopRequested()) {
      item.result = TFetchResult::Cancelled;
      break;
    }
    item.tries = attempt + 1;
    AwaitQuiet(link, host);
    const TWaitOutcome outcome = AwaitDump(link, host, await, request);
    item.result = FetchResultOf(outcome);
    item.received = outcome.received;
    item.expected = await.expectedSize;
    item.cause = outcome.cause;
    if (item.result == TFetchResult::Fetched) {
      Bytes answer = link.reception.Buffer();
      item.checksumOk = checksumOk(answer);
      if (item.checksumOk) {
        host.FetchItemDone(item);
        return answer;
      }
      flagged = std::move(answer);
      continue;
    }
    if (!WorthAnotherTry(item.result))
      break;
  }
  if (flagged.empty() || item.result == TFetchResult::Cancelled ||
      item.result == TFetchResult::ServiceLost)
    return {};
  item.result = TFetchResult::Fetched;
  item.checksumOk = false;
  host.FetchItemDone(item);
  link.log.AddLogLine("[" + LogTimeText() + "] Patch " + SlotText(item) +
                      " arrived with a checksum that does not match its data; it is kept as "
                      "received.");
  return flagged;
}

} // namespace zpm
