#include "fm/fm_transfer.h"

namespace zpm {

void RequestFmPatch(TMidiLink &link, uint8_t device, uint8_t bank, uint8_t patch, uint8_t type) {
  link.Send(FmPatchRequest(device, bank, patch, type));
}

FmFetchReply FetchFmPatch(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank,
                          uint8_t number, uint8_t type, TFMPatch &patch, bool *cancelled) {
  const Bytes request = FmPatchRequest(device, bank, number, type);
  int result = kWaitClosed;
  link.SendAndWait(WaitFmDump, kFmDumpSize, request, [&] { result = host.WaitForSysEx(); });
  if (cancelled)
    *cancelled = result == kWaitCancelled;
  const Bytes answer = link.reception.Buffer();
  const FmFetchReply reply = ClassifyFmFetchReply(answer.size());
  if (reply == FmFetchReply::Dump) {
    TMemoryStream stream(answer);
    patch.LoadFromStream(stream);
  }
  return reply;
}

void WaitForFmAck(TMidiLink &link, TTransferHost &host, int timeoutMs) {
  (void)link;
  host.WaitForBytes(kFmAckMinSize, timeoutMs);
}

FmWriteReply WriteFmPatch(TMidiLink &link, TTransferHost &host, TMemoryStream &image, int timeoutMs,
                          TFmWriteWait wait) {
  link.SendAndWait(WaitFmAck, 0, image.Data(), [&] {
    if (wait == TFmWriteWait::UntilAck)
      WaitForFmAck(link, host, timeoutMs);
    else
      host.Delay(timeoutMs);
  });
  return ClassifyFmWriteReply(link.reception.ReceivedSize());
}

} // namespace zpm
