// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_transfer.h"

#include "midi/dump_fetch.h"
#include "midi/host_scopes.h"
#include "midi/log_text.h"
#include "patch/checksum.h"
#include "patch/list_text.h"
#include "sid/sid_bank_dump.h"
#include "sid/sid_messages.h"

namespace zpm {

namespace {

const char *const kSingleCartPatchQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet Patch from this Bank ?";
const char *const kSingleCartBankQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet this Bank ?";

// The firmware-1.6 answer to Bank Select, whatever its 7 bytes hold.
constexpr size_t kSingleCartAnswerSize = 7;
// A device answers a Bank Select within milliseconds, but a busy computer
// may hand the answer on later than a short pause lasts: an unanswered
// Bank Select is taken for a single-PatchCart device only after this long.
constexpr int kBankSelectAnswerMs = 300;
constexpr size_t kSidDumpChecksumAt = 264;
constexpr size_t kSidDumpDataAt = 8;
// A selection whose pause was broken on every try.
constexpr int kSelectionBroken = 2;

std::string NotAvailable(int bank) {
  return "Bank " + BankLetter(static_cast<uint8_t>(bank)) + " not available.";
}

uint8_t OnWire(uint8_t value) {
  return value >= 128 ? 0 : value;
}

Bytes SidHeader() {
  return {0xF0, 0x00, 0x00, 0x7E, kSidFamily};
}

Bytes SidPrefix(uint8_t device, std::initializer_list<uint8_t> more) {
  Bytes prefix = SidHeader();
  prefix.push_back(OnWire(device));
  prefix.insert(prefix.end(), more);
  return prefix;
}

bool SidDumpChecksumOk(const Bytes &dump) {
  return dump.size() > kSidDumpChecksumAt &&
         DataChecksum(dump.data() + kSidDumpDataAt) == dump[kSidDumpChecksumAt];
}

bool OnlyAcknowledgements(const Bytes &answers, uint8_t device, int bank) {
  if (answers.empty() || answers.size() % kSidBankSelectSize != 0)
    return false;
  for (size_t at = 0; at < answers.size(); at += kSidBankSelectSize) {
    const Bytes one(answers.begin() + static_cast<std::ptrdiff_t>(at),
                    answers.begin() + static_cast<std::ptrdiff_t>(at + kSidBankSelectSize));
    if (ClassifySidBankSelectAnswer(one, device, static_cast<uint8_t>(bank)) != SidBankSelected)
      return false;
  }
  return true;
}

// Selects the bank for a fetch, again while bytes lost broke the pause or,
// where the device is known to answer Bank Select, no answer came in time
// (it may come late, into the next pause). The selection, or
// kSelectionBroken with the item saying why.
int SelectForFetch(TMidiLink &link, TTransferHost &host, const TSidFetch &fetch, int bank,
                   bool answerExpected, bool selectedBefore, TFetchItem &item,
                   TFetchReport &report) {
  for (int attempt = 0; attempt <= fetch.retries; ++attempt) {
    // Stopped before it went out: the bank is cancelled, never asked.
    if (link.reception.StopRequested()) {
      item.result = TFetchResult::Cancelled;
      report.cancelled = true;
      return kSelectionBroken;
    }
    TWaitOutcome outcome;
    int selected = SelectSidBank(link, host, fetch.device, static_cast<uint8_t>(bank),
                                 fetch.delayMs, &outcome);
    // Selected again, the device may answer the earlier selection late and
    // this one in time: acknowledgements of this bank and nothing else select it.
    if ((attempt > 0 || selectedBefore) && selected == SidBankMissing &&
        OnlyAcknowledgements(link.reception.Buffer(), fetch.device, bank))
      selected = SidBankSelected;
    item.tries = attempt + 1;
    if (outcome.end == TWaitEnd::Cancelled) {
      item.result = TFetchResult::Cancelled;
      report.cancelled = true;
      return kSelectionBroken;
    }
    if (outcome.end == TWaitEnd::ServiceLost) {
      item.result = TFetchResult::ServiceLost;
      report.lostReason = outcome.reason;
      return kSelectionBroken;
    }
    if (outcome.end == TWaitEnd::CutShort) {
      item.result = TFetchResult::CutShort;
      item.received = outcome.received;
      item.expected = kSidBankSelectSize;
    } else if (selected == SidSingleCart && answerExpected) {
      item.result = TFetchResult::NoAnswer;
    } else {
      return selected;
    }
  }
  return kSelectionBroken;
}

void NoteLost(const TFetchItem &item, TFetchReport &report, const TMidiLink &link) {
  if (item.result == TFetchResult::ServiceLost && report.lostReason.empty())
    report.lostReason = link.reception.Outcome().reason;
  if (item.result == TFetchResult::Cancelled)
    report.cancelled = true;
}

} // namespace

TAwait SidBankSelectAwait(uint8_t device) {
  TAwait await;
  await.mode = WaitSidDump;
  await.kinds = {{SidPrefix(device, {}), kSidBankSelectSize}, {SidHeader(), kSingleCartAnswerSize}};
  await.endsOnMessage = false;
  await.expectedSize = kSidBankSelectSize;
  return await;
}

TAwait SidPatchDumpAwait(uint8_t device, uint8_t patch) {
  TAwait await;
  await.mode = WaitSidDump;
  await.kinds = {{SidPrefix(device, {kSidPatchDump, OnWire(patch)}), kSidDumpSize}};
  await.expectedSize = kSidDumpSize;
  return await;
}

TAwait SidBankDumpAwait(uint8_t device) {
  TAwait await;
  await.mode = WaitSidDump;
  await.kinds = {{SidPrefix(device, {kSidBankDump}), kSidBankDumpSize}};
  await.expectedSize = kSidBankDumpSize;
  return await;
}

void RequestSidPatch(TMidiLink &link, uint8_t device, uint8_t patch) {
  link.Send(SidPatchRequest(device, patch));
}

void RequestSidBankDump(TMidiLink &link, uint8_t device) {
  link.Send(SidBankDumpRequest(device));
}

void WriteSidPatch(TMidiLink &link, TTransferHost &host, TMemoryStream &message, int delayMs,
                   bool pause, TSendItem &item) {
  for (int sent = 1;; ++sent) {
    ++item.tries;
    link.Send(message);
    const bool arrived = link.Drain();
    if (arrived || sent == kSidWriteTries) {
      item.result = arrived ? TSendResult::Written : TSendResult::Unknown;
      item.reason = arrived ? "" : "the MIDI service fell behind each time it was sent";
      if (pause)
        host.Delay(delayMs);
      return;
    }
    host.Delay(delayMs);
  }
}

int SelectSidBank(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank, int delayMs,
                  TWaitOutcome *outcome) {
  // Device and bank go out clamped, and the answer is judged against what
  // went out, after the full pause and never earlier: a device that is slow
  // to answer must not be taken for one that has no PatchCart.
  int selected = SidSingleCart;
  for (int attempt = 0; attempt < 2; ++attempt) {
    AwaitQuiet(link, host);
    const auto asked = TReception::Clock::now();
    const TWaitOutcome ended =
        link.SendAndAwait(SidBankSelectAwait(device), SidBankSelect(device, bank), [&] {
          host.Delay(delayMs);
          const int rest = kBankSelectAnswerMs - std::max(delayMs, 0);
          if (rest <= 0)
            return;
          const auto whole = [&] {
            const Bytes held = link.reception.Buffer();
            return !held.empty() && held.back() == 0xF7;
          };
          if (!whole())
            host.WaitForBytes(kSingleCartAnswerSize, rest);
          // A longer answer begun is waited for to its end.
          if (!whole() && link.reception.ReceivedSize() > 0)
            host.WaitForBytes(kSidBankSelectSize, rest);
        });
    if (outcome)
      *outcome = ended;
    const Bytes answer = link.reception.Buffer();
    selected = ClassifySidBankSelectAnswer(answer, device, bank);
    // Asked again: the first answer may come late, beside the second.
    if (attempt > 0 && answer.size() == 2 * kSidBankSelectSize &&
        ClassifySidBankSelectAnswer(Bytes(answer.begin(), answer.begin() + kSidBankSelectSize),
                                    device, bank) == SidBankSelected &&
        ClassifySidBankSelectAnswer(Bytes(answer.begin() + kSidBankSelectSize, answer.end()),
                                    device, bank) == SidBankSelected)
      selected = SidBankSelected;
    // No answer while the device was sending something else: the answer
    // may be queued behind it, so the device is not yet taken for one with
    // a single PatchCart; it is asked once more when it has finished.
    if (selected != SidSingleCart || ended.end == TWaitEnd::ServiceLost ||
        ended.end == TWaitEnd::Cancelled || !link.reception.Buffer().empty() ||
        !link.reception.HeardSince(asked))
      break;
  }
  return selected;
}

TFetchReport GetSingleSidPatch(TMidiLink &link, TTransferHost &host, TSidFetch &fetch,
                               int patchNumber, TPatchBank &into) {
  link.CheckDevicesOpen();
  TFetchReport report;
  TFetchItem &item = report.items.emplace_back();
  item.bank = fetch.fetchBank;
  item.patch = patchNumber;
  const auto bank = static_cast<uint8_t>(fetch.fetchBank);
  const int selected =
      SelectForFetch(link, host, fetch, fetch.fetchBank, false, false, item, report);
  if (selected == kSelectionBroken)
    return report;
  if (selected == SidSingleCart && !host.Ask(kSingleCartPatchQuestion)) {
    report.declined = true;
    return report;
  }
  if (selected == SidBankMissing) {
    host.Inform(NotAvailable(fetch.fetchBank));
    item.result = TFetchResult::NotAvailable;
    return report;
  }
  host.ListClearing();
  into.Clear();
  const auto number = static_cast<uint8_t>(patchNumber - 1);
  const Bytes answer =
      FetchDump(link, host, fetch.retries, fetch.delayMs, SidPatchDumpAwait(fetch.device, number),
                SidPatchRequest(fetch.device, number), item, SidDumpChecksumOk);
  NoteLost(item, report, link);
  if (answer.empty())
    return report;
  TPatch patch;
  TMemoryStream stream(answer);
  patch.LoadFromStream(stream);
  // A single-PatchCart device has only the one bank, which saves as bank A.
  patch.Bank = selected == SidSingleCart ? 0 : bank;
  into.Add(patch);
  return report;
}

TFetchReport GetSingleSidBank(TMidiLink &link, TTransferHost &host, TSidFetch &fetch,
                              TPatchBank &into) {
  link.CheckDevicesOpen();
  TFetchReport report;
  TFetchItem &item = report.items.emplace_back();
  item.bank = fetch.fetchBank;
  const int selected =
      SelectForFetch(link, host, fetch, fetch.fetchBank, false, false, item, report);
  if (selected == kSelectionBroken)
    return report;
  if (selected == SidSingleCart) {
    if (!host.Ask(kSingleCartBankQuestion)) {
      report.declined = true;
      return report;
    }
    fetch.fetchBank = 0;
    item.bank = 0;
  }
  if (selected == SidBankMissing) {
    host.Inform(NotAvailable(fetch.fetchBank));
    item.result = TFetchResult::NotAvailable;
    return report;
  }
  host.ListClearing();
  into.Clear();
  const Bytes answer =
      FetchDump(link, host, fetch.retries, fetch.delayMs, SidBankDumpAwait(fetch.device),
                SidBankDumpRequest(fetch.device), item, [](const Bytes &) { return true; });
  NoteLost(item, report, link);
  CutSidBankDump(answer, static_cast<uint8_t>(fetch.fetchBank), into);
  return report;
}

TFetchReport GetAllSidBanks(TMidiLink &link, TTransferHost &host, TSidFetch &fetch,
                            TPatchBank &into) {
  link.CheckDevicesOpen();
  const TBusyRun busy(host);

  TFetchReport report;
  int last = 7;
  TWaitOutcome probe;
  const bool probeUnanswered =
      SelectSidBank(link, host, fetch.device, 0, fetch.delayMs, &probe) == SidSingleCart;
  if (probeUnanswered && probe.end != TWaitEnd::CutShort) {
    fetch.fetchBank = 0;
    last = 0;
  }
  if (probe.end == TWaitEnd::ServiceLost) {
    report.lostReason = probe.reason;
    return report;
  }
  // Which banks the device has is not known yet: none is reported.
  if (probe.end == TWaitEnd::Cancelled) {
    report.cancelled = true;
    return report;
  }
  for (int bank = 0; bank <= last; ++bank)
    report.items.push_back(TFetchItem{bank, 0, 0, TFetchResult::NotAsked, 0, true, 0, 0});
  host.ListClearing();
  into.Clear();
  for (int bank = 0; bank <= last; ++bank) {
    TFetchItem &item = report.items[static_cast<size_t>(bank)];
    const int selected = SelectForFetch(link, host, fetch, bank, bank > 0,
                                        bank == 0 && probeUnanswered, item, report);
    if (item.result == TFetchResult::ServiceLost || item.result == TFetchResult::Cancelled)
      break;
    if (selected == kSelectionBroken)
      continue;
    // A bank that is not there is skipped, bank A too: a device that refused
    // to select it still has another bank selected, whose dump would be
    // listed as bank A. Only a single-PatchCart device answers nothing for A.
    if (selected != SidBankSelected && !(bank == 0 && selected == SidSingleCart)) {
      item.result = TFetchResult::NotAvailable;
      continue;
    }
    TAwait await = SidBankDumpAwait(fetch.device);
    await.step = "bank " + BankLetter(static_cast<uint8_t>(bank)) + ", " +
                 std::to_string(bank + 1) + " of " + std::to_string(last + 1);
    const Bytes answer =
        FetchDump(link, host, fetch.retries, fetch.delayMs, await, SidBankDumpRequest(fetch.device),
                  item, [](const Bytes &) { return true; });
    NoteLost(item, report, link);
    if (item.result == TFetchResult::Cancelled || item.result == TFetchResult::ServiceLost)
      break;
    CutSidBankDump(answer, static_cast<uint8_t>(bank), into);
  }
  return report;
}

} // namespace zpm
