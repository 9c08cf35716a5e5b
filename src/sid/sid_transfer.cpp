#include "sid/sid_transfer.h"

#include "patch/list_text.h"
#include "sid/sid_bank_dump.h"
#include "sid/sid_messages.h"

namespace zpm {

namespace {

const char *const kSingleCartPatchQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet Patch from this Bank ?";
const char *const kSingleCartBankQuestion =
    "Zavorin SID 1.6 supports only 1 PatchCart.\r\nGet this Bank ?";

std::string NotAvailable(int bank) {
  return "Bank " + BankLetter(static_cast<uint8_t>(bank)) + " not available.";
}

// Sends the Bank Dump Request and waits for the whole dump; the wait dialog's result.
int FetchBankDump(TMidiLink &link, TTransferHost &host, uint8_t device) {
  int result = kWaitClosed;
  link.SendAndWait(WaitSidDump, kSidBankDumpSize, SidBankDumpRequest(device),
                   [&] { result = host.WaitForSysEx(); });
  return result;
}

} // namespace

void RequestSidPatch(TMidiLink &link, uint8_t device, uint8_t patch) {
  link.Send(SidPatchRequest(device, patch));
}

void RequestSidBankDump(TMidiLink &link, uint8_t device) {
  link.Send(SidBankDumpRequest(device));
}

int SelectSidBank(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank, int delayMs) {
  // Device and bank go out clamped, and the answer is judged against what
  // went out, after the full pause and never earlier: a device that is slow
  // to answer must not be taken for one that has no PatchCart.
  link.SendAndWait(WaitSidDump, kSidBankSelectSize, SidBankSelect(device, bank),
                   [&] { host.Delay(delayMs); });
  return ClassifySidBankSelectAnswer(link.reception.Buffer(), device, bank);
}

void GetSingleSidPatch(TMidiLink &link, TTransferHost &host, TSidFetch &fetch, int patchNumber,
                       TPatchBank &into) {
  link.CheckDevicesOpen();
  const auto bank = static_cast<uint8_t>(fetch.fetchBank);
  const int selected = SelectSidBank(link, host, fetch.device, bank, fetch.delayMs);
  if (selected == SidSingleCart && !host.Ask(kSingleCartPatchQuestion))
    return;
  if (selected == SidBankMissing) {
    host.Inform(NotAvailable(fetch.fetchBank));
    return;
  }
  host.ListClearing();
  into.Clear();
  link.SendAndWait(WaitSidDump, kSidDumpSize,
                   SidPatchRequest(fetch.device, static_cast<uint8_t>(patchNumber - 1)),
                   [&] { host.WaitForSysEx(); });
  const Bytes answer = link.reception.Buffer();
  if (answer.size() != kSidDumpSize)
    return;
  TPatch patch;
  TMemoryStream stream(answer);
  patch.LoadFromStream(stream);
  // A single-PatchCart device has only the one bank, which saves as bank A.
  patch.Bank = selected == SidSingleCart ? 0 : bank;
  into.Add(patch);
}

void GetSingleSidBank(TMidiLink &link, TTransferHost &host, TSidFetch &fetch, TPatchBank &into) {
  link.CheckDevicesOpen();
  const int selected =
      SelectSidBank(link, host, fetch.device, static_cast<uint8_t>(fetch.fetchBank), fetch.delayMs);
  if (selected == SidSingleCart) {
    if (!host.Ask(kSingleCartBankQuestion))
      return;
    fetch.fetchBank = 0;
  }
  if (selected == SidBankMissing) {
    host.Inform(NotAvailable(fetch.fetchBank));
    return;
  }
  host.ListClearing();
  into.Clear();
  FetchBankDump(link, host, fetch.device);
  CutSidBankDump(link.reception.Buffer(), static_cast<uint8_t>(fetch.fetchBank), into);
}

void GetAllSidBanks(TMidiLink &link, TTransferHost &host, TSidFetch &fetch, TPatchBank &into) {
  link.CheckDevicesOpen();
  struct BusyPointer {
    TTransferHost &host;
    explicit BusyPointer(TTransferHost &h) : host(h) { host.SetBusy(true); }
    ~BusyPointer() { host.SetBusy(false); }
  } busy(host);

  int last = 7;
  if (SelectSidBank(link, host, fetch.device, 0, fetch.delayMs) == SidSingleCart) {
    fetch.fetchBank = 0;
    last = 0;
  }
  host.ListClearing();
  into.Clear();
  for (int bank = 0; bank <= last; ++bank) {
    const int selected =
        SelectSidBank(link, host, fetch.device, static_cast<uint8_t>(bank), fetch.delayMs);
    // A bank that is not there is skipped, bank A too: a device that refused
    // to select it still has another bank selected, whose dump would be
    // listed as bank A. Only a single-PatchCart device answers nothing for A.
    if (selected != SidBankSelected && !(bank == 0 && selected == SidSingleCart))
      continue;
    if (FetchBankDump(link, host, fetch.device) == kWaitCancelled)
      break;
    CutSidBankDump(link.reception.Buffer(), static_cast<uint8_t>(bank), into);
  }
}

} // namespace zpm
