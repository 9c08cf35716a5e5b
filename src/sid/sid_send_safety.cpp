// SPDX-License-Identifier: GPL-3.0-or-later
#include "sid/sid_send_safety.h"

#include "midi/fetch_report.h"
#include "midi/log_text.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_transfer.h"

#include <algorithm>
#include <cstring>

namespace zpm {

namespace {

// The fetches of a backup or a verification belong to a send the user has
// already agreed to: the single-PatchCart question is answered Yes (a send
// to such a device writes its one bank), and a "not available" answer is
// the send's to tell, not theirs.
class TQuietHost : public TTransferHost {
public:
  TQuietHost(TTransferHost &host, TEventLog &log) : m_host(host), m_log(log) {}

  bool Ask(const std::string &) override { return true; }
  void Inform(const std::string &text) override {
    m_log.AddLogLine("[" + LogTimeText() + "] " + text);
  }
  int WaitForSysEx() override { return m_host.WaitForSysEx(); }
  void Delay(int milliseconds) override { m_host.Delay(milliseconds); }
  void WaitForBytes(size_t count, int timeoutMs) override { m_host.WaitForBytes(count, timeoutMs); }
  bool ProgressCancelled() override { return m_host.ProgressCancelled(); }

private:
  TTransferHost &m_host;
  TEventLog &m_log;
};

std::string BankList(const std::vector<int> &banks) {
  std::string text;
  for (int bank : banks)
    text += (text.empty() ? "" : ", ") + BankLetter(static_cast<uint8_t>(bank));
  return text;
}

// One bank as "Get &Single Bank" fetches it.
TFetchReport FetchBank(TMidiLink &link, TQuietHost &quiet, const TSidSendOptions &options, int bank,
                       TPatchBank &into) {
  TSidFetch fetch;
  fetch.device = options.device;
  fetch.delayMs = options.delayMs;
  fetch.fetchBank = bank;
  fetch.retries = options.retries;
  return GetSingleSidBank(link, quiet, fetch, into);
}

const TPatch *FindSlot(const TPatchBank &bank, int number) {
  for (const TPatch &patch : bank)
    if (patch.PatchNumber() == number)
      return &patch;
  return nullptr;
}

// Sent, whether or not it is known to have arrived: reading the slot back
// tells.
bool WasSent(const TSendItem &item) {
  return item.result == TSendResult::Written || item.result == TSendResult::Unknown;
}

} // namespace

std::vector<int> SidBanksOf(const std::vector<TSendItem> &items, bool onlySent) {
  std::vector<int> banks;
  for (const TSendItem &item : items) {
    if (onlySent ? !WasSent(item) : !item.reason.empty())
      continue;
    if (std::find(banks.begin(), banks.end(), item.bank) == banks.end())
      banks.push_back(item.bank);
  }
  return banks;
}

bool BackupSidBanks(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                    const TPatchBank &list, TSendReport &report) {
  (void)list;
  TQuietHost quiet(host, link.log);
  TPatchBank backup;
  std::vector<int> saved;
  for (int bank : SidBanksOf(report.items, false)) {
    TPatchBank fetched;
    const TFetchReport fetch = FetchBank(link, quiet, options, bank, fetched);
    const TFetchItem &item = fetch.items.front();
    if (item.result == TFetchResult::NotAvailable)
      continue;
    if (item.result != TFetchResult::Fetched || fetched.Count() == 0) {
      if (!fetch.lostReason.empty())
        report.lostReason = fetch.lostReason;
      report.backupProblem = "The backup of bank " + BankLetter(static_cast<uint8_t>(bank)) +
                             " is incomplete (" + FetchResultText(item.result) +
                             "), so nothing was sent. Check the connection and send again.";
      return false;
    }
    for (const TPatch &patch : fetched)
      backup.Add(patch);
    saved.push_back(bank);
  }
  if (backup.Count() == 0 || !options.saveBackup)
    return true;
  try {
    report.backupPath = options.saveBackup(backup);
  } catch (const ZpmError &error) {
    report.backupProblem = std::string(error.what()) + " Nothing was sent.";
    return false;
  }
  link.log.AddLogLine("[" + LogTimeText() + "] Backup of bank" + (saved.size() > 1 ? "s " : " ") +
                      BankList(saved) + " saved to " + report.backupPath);
  return true;
}

void VerifySidSlots(TMidiLink &link, TTransferHost &host, const TSidSendOptions &options,
                    const TPatchBank &list, TSendReport &report) {
  TQuietHost quiet(host, link.log);
  report.verified = true;
  for (int bank : SidBanksOf(report.items, true)) {
    TPatchBank fetched;
    const TFetchReport fetch = FetchBank(link, quiet, options, bank, fetched);
    const TFetchItem &answer = fetch.items.front();
    if (!fetch.lostReason.empty())
      report.lostReason = fetch.lostReason;
    for (TSendItem &item : report.items) {
      if (!WasSent(item) || item.bank != bank)
        continue;
      const TPatch *back =
          answer.result == TFetchResult::Fetched ? FindSlot(fetched, item.number) : nullptr;
      if (!back) {
        item.result = TSendResult::Unverified;
        item.reason = std::string("reading it back: ") + FetchResultText(answer.result);
        continue;
      }
      const bool same = std::memcmp(back->Data(), list.GetPatch(item.row).Data(), kDataSize) == 0;
      item.result = same ? TSendResult::Verified : TSendResult::Differs;
      item.reason.clear();
    }
    if (answer.result == TFetchResult::Cancelled || !fetch.lostReason.empty())
      break;
  }
  // Slots of banks not reached keep no silent "sent".
  for (TSendItem &item : report.items)
    if (item.result == TSendResult::Written) {
      item.result = TSendResult::Unverified;
      item.reason = "not read back";
    }
}

} // namespace zpm
