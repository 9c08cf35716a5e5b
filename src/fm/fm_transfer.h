// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Talking to the FM synthesizer: one patch fetched per request, one patch
// written per message with its acknowledgement. The fetch and send pages
// build their bank-wide loops on these.

#include "fm/fm_messages.h"
#include "midi/midi_link.h"
#include "midi/transfer_host.h"
#include "patch/patch.h"

namespace zpm {

// What the waits take, for the values as the request or write carries them:
// the dump of the patch asked for or the device's 9-byte refusal; any whole
// message of the device after a write.
TAwait FmDumpAwait(uint8_t device, uint8_t bank, uint8_t patch, uint8_t type);
TAwait FmAckAwait(uint8_t device);

void RequestFmPatch(TMidiLink &link, uint8_t device, uint8_t bank, uint8_t patch, uint8_t type);

// Requests one patch and waits for it with the wait dialog. On a dump the
// patch is read into `patch` exactly as received. cancelled, when given,
// tells whether the user ended the wait with "&Cancel", so a bank loop can stop;
// outcome, when given, how the wait ended (a dump cut short is Nothing).
FmFetchReply FetchFmPatch(TMidiLink &link, TTransferHost &host, uint8_t device, uint8_t bank,
                          uint8_t number, uint8_t type, TFMPatch &patch, bool *cancelled = nullptr,
                          TWaitOutcome *outcome = nullptr);

// Waits until the acknowledgement's first 8 bytes are in or timeoutMs passed.
void WaitForFmAck(TMidiLink &link, TTransferHost &host, int timeoutMs);

// How a write waits for the device's reply: until the acknowledgement
// arrives (at most the timeout), or always the full timeout.
enum class TFmWriteWait { UntilAck, FullTimeout };

// Sends a patch image built with SaveToStreamAs / SaveToStreamAt and judges
// the reply by its length.
FmWriteReply WriteFmPatch(TMidiLink &link, TTransferHost &host, TMemoryStream &image, int timeoutMs,
                          TFmWriteWait wait, TWaitOutcome *outcome = nullptr);

} // namespace zpm
