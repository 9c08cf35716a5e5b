// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_fetch.h"

#include "fm/fm_messages.h"
#include "fm/fm_transfer.h"
#include "midi/dump_fetch.h"
#include "patch/checksum.h"
#include "patch/list_text.h"

namespace zpm {

namespace {

std::string NotAvailable(int bank) {
  return "Bank " + BankLetter(static_cast<uint8_t>(bank)) + " is not available.";
}

// A refusal is an answer as it stands; a dump must add up.
bool AnswerOk(const Bytes &answer) {
  return answer.size() != kFmDumpSize ||
         DataChecksum(answer.data() + kFmDataOffset) == answer[kFmDumpSize - 2];
}

enum class TSlotEnd { Patch, Refused, Missed, Stop };

// Before a dump that came cut short is asked for again: a whole FM dump takes
// 86 ms on the cable, so the rest of the broken one has passed by then.
constexpr int kRetryPauseMs = 100;

struct TFetchRun {
  TMidiLink &link;
  TTransferHost &host;
  const TFmFetch &fetch;
  TFetchReport &report;

  TSlotEnd Slot(int bank, int number, TFetchItem &item, TFMPatch &patch) {
    item.bank = bank;
    item.patch = number + 1;
    item.type = fetch.type;
    const auto b = static_cast<uint8_t>(bank);
    const auto n = static_cast<uint8_t>(number);
    const Bytes answer = FetchDump(link, host, fetch.retries, kRetryPauseMs,
                                   FmDumpAwait(fetch.device, b, n, fetch.type),
                                   FmPatchRequest(fetch.device, b, n, fetch.type), item, AnswerOk);
    if (item.result == TFetchResult::ServiceLost && report.lostReason.empty())
      report.lostReason = link.reception.Outcome().reason;
    if (item.result == TFetchResult::Cancelled)
      report.cancelled = true;
    if (answer.size() == kFmRefusalSize) {
      item.result = TFetchResult::NotAvailable;
      return TSlotEnd::Refused;
    }
    if (answer.size() == kFmDumpSize) {
      TMemoryStream stream(answer);
      patch.LoadFromStream(stream);
      return TSlotEnd::Patch;
    }
    if (item.result == TFetchResult::Cancelled || item.result == TFetchResult::ServiceLost)
      return TSlotEnd::Stop;
    return TSlotEnd::Missed;
  }

  void Add(TFMPatchBank &into, const TFMPatch &patch) {
    into.Add(patch);
    if (fetch.added)
      fetch.added();
  }

  // The slots from `first` of the bank's items; false when the run must stop.
  // A refusal marks the rest of the bank not available.
  bool Bank(int bank, size_t first, TFMPatchBank &into, bool tell) {
    const int count = FmPatchesPerBank(fetch.type);
    for (int number = 0; number < count; ++number) {
      TFetchItem &item = report.items[first + static_cast<size_t>(number)];
      TFMPatch patch;
      const TSlotEnd end = Slot(bank, number, item, patch);
      if (end == TSlotEnd::Patch)
        Add(into, patch);
      if (end == TSlotEnd::Stop)
        return false;
      if (end == TSlotEnd::Refused) {
        for (int rest = number + 1; rest < count; ++rest)
          report.items[first + static_cast<size_t>(rest)].result = TFetchResult::NotAvailable;
        if (tell)
          host.Inform(NotAvailable(bank));
        return !tell;
      }
    }
    return true;
  }
};

// The items of the banks from first to last, each slot not asked yet.
void PlanBanks(TFetchReport &report, const TFmFetch &fetch, int first, int last) {
  const int count = FmPatchesPerBank(fetch.type);
  for (int bank = first; bank <= last; ++bank)
    for (int number = 1; number <= count; ++number)
      report.items.push_back(
          TFetchItem{bank, number, fetch.type, TFetchResult::NotAsked, 0, true, 0, 0});
}

void StartFetch(TMidiLink &link, TTransferHost &host, TFMPatchBank &into) {
  link.CheckDevicesOpen();
  host.ListClearing();
  into.Clear();
}

} // namespace

TFetchReport GetSingleFmPatch(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                              int number, TFMPatchBank &into) {
  StartFetch(link, host, into);
  TFetchReport report;
  TFetchItem &item = report.items.emplace_back();
  TFetchRun run{link, host, fetch, report};
  TFMPatch patch;
  const TSlotEnd end = run.Slot(fetch.bank, number - 1, item, patch);
  if (end == TSlotEnd::Refused)
    host.Inform(NotAvailable(fetch.bank));
  if (end == TSlotEnd::Patch)
    run.Add(into, patch);
  return report;
}

TFetchReport GetSingleFmBank(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                             TFMPatchBank &into) {
  StartFetch(link, host, into);
  TFetchReport report;
  PlanBanks(report, fetch, fetch.bank, fetch.bank);
  TFetchRun{link, host, fetch, report}.Bank(fetch.bank, 0, into, true);
  return report;
}

TFetchReport GetAllFmBanks(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                           TFMPatchBank &into) {
  StartFetch(link, host, into);
  TFetchReport report;
  PlanBanks(report, fetch, 0, 7);
  TFetchRun run{link, host, fetch, report};
  const auto count = static_cast<size_t>(FmPatchesPerBank(fetch.type));
  for (int bank = 0; bank <= 7; ++bank)
    if (!run.Bank(bank, count * static_cast<size_t>(bank), into, false))
      break;
  return report;
}

TFetchReport FetchFmBankQuietly(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                                TFMPatchBank &into) {
  TFetchReport report;
  PlanBanks(report, fetch, fetch.bank, fetch.bank);
  TFmFetch quiet = fetch;
  quiet.added = nullptr;
  TFetchRun{link, host, quiet, report}.Bank(fetch.bank, 0, into, false);
  return report;
}

TFetchItem FetchFmSlotQuietly(TMidiLink &link, TTransferHost &host, const TFmFetch &fetch,
                              int number, TFMPatch &patch, TFetchReport &report) {
  TFetchItem item;
  TFetchRun{link, host, fetch, report}.Slot(fetch.bank, number, item, patch);
  return item;
}

} // namespace zpm
