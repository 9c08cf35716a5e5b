// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_send_safety.h"

#include "fm/fm_fetch.h"
#include "midi/log_text.h"
#include "patch/error.h"
#include "patch/list_text.h"

#include <algorithm>
#include <cstring>

namespace zpm {

namespace {

int TypeOrder(int type) {
  return type == kFmVoice ? 0 : type == kFmDrumset ? 1 : 2;
}

std::string BankName(int type, int bank) {
  return std::string(FmListName(type)) + " bank " + BankLetter(static_cast<uint8_t>(bank));
}

TFmFetch FetchOf(const TFmSendOptions &options, int type, int bank) {
  TFmFetch fetch;
  fetch.device = options.device;
  fetch.type = static_cast<uint8_t>(type);
  fetch.bank = bank;
  fetch.retries = options.retries;
  return fetch;
}

} // namespace

std::vector<std::pair<int, int>> FmBanksOf(const std::vector<TSendItem> &items) {
  std::vector<std::pair<int, int>> banks;
  for (const TSendItem &item : items)
    if (item.reason.empty() &&
        std::find(banks.begin(), banks.end(), std::make_pair(item.type, item.bank)) == banks.end())
      banks.emplace_back(item.type, item.bank);
  std::sort(banks.begin(), banks.end(), [](const auto &a, const auto &b) {
    return std::make_pair(TypeOrder(a.first), a.second) <
           std::make_pair(TypeOrder(b.first), b.second);
  });
  return banks;
}

bool BackupFmBanks(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                   TSendReport &report) {
  TFMPatchBank backup;
  std::string saved;
  for (const auto &[type, bank] : FmBanksOf(report.items)) {
    TFMPatchBank fetched;
    const TFetchReport fetch =
        FetchFmBankQuietly(link, host, FetchOf(options, type, bank), fetched);
    const auto missing = std::find_if(fetch.items.begin(), fetch.items.end(), [](const auto &i) {
      return i.result != TFetchResult::Fetched && i.result != TFetchResult::NotAvailable;
    });
    if (missing != fetch.items.end()) {
      if (!fetch.lostReason.empty())
        report.lostReason = fetch.lostReason;
      report.backupProblem = "The backup of " + BankName(type, bank) + " is incomplete (patch " +
                             std::to_string(missing->patch) + ": " +
                             FetchResultText(missing->result) +
                             "), so nothing was sent. Check the connection and send again.";
      return false;
    }
    if (fetched.Count() == 0)
      continue; // refused: nothing can be written there either
    for (const TFMPatch &patch : fetched)
      backup.Add(patch);
    saved += (saved.empty() ? "" : ", ") + BankName(type, bank);
  }
  if (backup.Count() == 0 || !options.saveBackup)
    return true;
  try {
    report.backupPath = options.saveBackup(backup);
  } catch (const ZpmError &error) {
    report.backupProblem = std::string(error.what()) + " Nothing was sent.";
    return false;
  }
  link.log.AddLogLine("[" + LogTimeText() + "] Backup of " + saved + " saved to " +
                      report.backupPath);
  return true;
}

void VerifyFmSlots(TMidiLink &link, TTransferHost &host, const TFmSendOptions &options,
                   const TFmLists &lists, TSendReport &report) {
  report.verified = true;
  for (TSendItem &item : report.items) {
    if (item.result != TSendResult::Written)
      continue;
    if (!report.lostReason.empty() || host.ProgressCancelled()) {
      item.result = TSendResult::Unverified;
      item.reason = "not read back";
      continue;
    }
    TFetchReport fetch;
    TFMPatch back;
    const TFetchItem answer = FetchFmSlotQuietly(link, host, FetchOf(options, item.type, item.bank),
                                                 item.number, back, fetch);
    if (!fetch.lostReason.empty())
      report.lostReason = fetch.lostReason;
    if (answer.result != TFetchResult::Fetched) {
      item.result = TSendResult::Unverified;
      item.reason = std::string("reading it back: ") + FetchResultText(answer.result);
      continue;
    }
    const bool same =
        std::memcmp(back.Data(), lists.Of(item.type).GetPatch(item.row).Data(), kDataSize) == 0;
    item.result = same ? TSendResult::Verified : TSendResult::Differs;
  }
}

} // namespace zpm
