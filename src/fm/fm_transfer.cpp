// SPDX-License-Identifier: GPL-3.0-or-later
#include "fm/fm_transfer.h"

#include "midi/dump_fetch.h"

namespace zpm {

namespace {

Bytes FmPrefix(uint8_t device) {
  return {0xF0, 0x00, 0x00, 0x7E, kFmFamily, static_cast<uint8_t>(device >= 128 ? 0 : device)};
}

Bytes FmReplyPrefix(uint8_t device, uint8_t command) {
  Bytes prefix = FmPrefix(device);
  prefix.push_back(command);
  return prefix;
}

} // namespace

TAwait FmDumpAwait(uint8_t device, uint8_t bank, uint8_t patch, uint8_t type) {
  // The request as it goes out names the bank and patch the dump must carry.
  const Bytes request = FmPatchRequest(device, bank, patch, type);
  Bytes dump = FmPrefix(device);
  dump.insert(dump.end(), {kFmPatchDump, request[7], request[8], request[9]});
  TAwait await;
  await.mode = WaitFmDump;
  await.kinds = {{dump, kFmDumpSize}, {FmReplyPrefix(device, kFmRefusal), kFmRefusalSize}};
  await.expectedSize = kFmDumpSize;
  return await;
}

TAwait FmAckAwait(uint8_t device) {
  TAwait await;
  await.mode = WaitFmAck;
  await.kinds = {{FmReplyPrefix(device, kFmAck), kFmAckMinSize},
                 {FmReplyPrefix(device, kFmRefusal), kFmRefusalSize}};
  await.expectedSize = kFmAckMinSize;
  return await;
}

void RequestFmPatch(TMidiLink &link, uint8_t device, uint8_t bank, uint8_t patch, uint8_t type) {
  link.Send(FmPatchRequest(device, bank, patch, type));
}

FmFetchReply FetchFmPatch(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank,
                          uint8_t number, uint8_t type, TFMPatch &patch, bool *cancelled,
                          TWaitOutcome *outcome) {
  const Bytes request = FmPatchRequest(device, bank, number, type);
  const TWaitOutcome ended =
      link.SendAndAwait(FmDumpAwait(device, bank, number, type), request, [&] {
        if (host.WaitForSysEx() == kWaitCancelled)
          link.reception.CancelWait();
      });
  if (cancelled)
    *cancelled = ended.end == TWaitEnd::Cancelled;
  if (outcome)
    *outcome = ended;
  if (ended.end != TWaitEnd::Complete)
    return FmFetchReply::Nothing;
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
                          TFmWriteWait wait, TWaitOutcome *outcome) {
  const uint8_t device = image.Size() > 5 ? image.Data()[5] : 0;
  AwaitQuiet(link, host);
  const TWaitOutcome ended = link.SendAndAwait(FmAckAwait(device), image.Data(), [&] {
    if (wait == TFmWriteWait::UntilAck)
      WaitForFmAck(link, host, timeoutMs);
    else
      host.Delay(timeoutMs);
  });
  if (outcome)
    *outcome = ended;
  return ClassifyFmWriteReply(link.reception.ReceivedSize());
}

} // namespace zpm
