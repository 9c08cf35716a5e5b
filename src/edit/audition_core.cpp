// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/audition_core.h"

#include "fm/fm_fetch.h"
#include "fm/fm_messages.h"
#include "fm/fm_send.h"
#include "fm/fm_transfer.h"
#include "library/library_records.h"
#include "patch/checksum.h"
#include "patch/error.h"
#include "patch/list_text.h"
#include "sid/sid_messages.h"
#include "sid/sid_transfer.h"

#include <algorithm>

namespace zpm {

namespace {

const char *const kStopped = " Auditioning has stopped.";

bool HasHeader(const Bytes &image, uint8_t family) {
  const uint8_t header[] = {0xF0, 0x00, 0x00, 0x7E, family};
  return std::equal(std::begin(header), std::end(header), image.begin()) && image[6] == 0x02 &&
         image.back() == 0xF7;
}

// Between F0 and F7 only data bytes, or the message would end early.
bool SevenBit(const Bytes &image) {
  return std::all_of(image.begin() + 1, image.end() - 1, [](uint8_t b) { return b < 0x80; });
}

uint8_t TypeOf(const Bytes &image) {
  return image.size() == kFmDumpSize ? image[7] : 0;
}

const char *TypeName(uint8_t type) {
  return FmListName(type);
}

} // namespace

TAuditionCore::TAuditionCore(TMidiLink &link, TTransferHost &host, const TAuditionOptions &options,
                             TAuditionEvents events, TNowMs nowMs)
    : m_link(link), m_host(host), m_options(options), m_events(std::move(events)),
      m_nowMs(std::move(nowMs)) {}

std::string TAuditionCore::SlotText() const {
  return AuditionSlotText(m_options.bank, m_options.slot);
}

bool TAuditionCore::Submit(const Bytes &given, std::string *why) {
  const auto refuse = [&](const std::string &text) {
    if (why)
      *why = text;
    return false;
  };
  const bool sid = m_options.synth == TAuditionSynth::Sid;
  if (!AuditionSlotChosen({m_options.bank, m_options.slot, {}}))
    return refuse(NoAuditionSlotText(m_options.synth));
  Bytes image = given;
  if (sid ? image.size() != kSidDumpSize || !HasHeader(image, kSidFamily)
          : image.size() != kFmDumpSize || !HasHeader(image, kFmFamily))
    return refuse(std::string("The patch is not a whole ") + (sid ? "SID" : "FM") +
                  " Patch Dump, so it cannot be auditioned.");
  if (!sid) {
    const uint8_t type = image[7];
    if (type != kFmVoice && type != kFmDrumset && type != kFmEnsemble)
      return refuse("The patch is of no FM type the synthesizer knows, so it cannot be "
                    "auditioned.");
    if (m_options.slot >= FmPatchesPerBank(type))
      return refuse("The audition slot " + SlotText() + " is past the " + TypeName(type) +
                    "' last slot (" + std::to_string(FmPatchesPerBank(type)) +
                    "); choose a slot of 1 to " + std::to_string(FmPatchesPerBank(type)) +
                    " on the Config page.");
  }
  // The device, bank and slot bytes are readdressed; the checksum covers
  // the data alone, and is made right for data the editor changed.
  image[5] = static_cast<uint8_t>(m_options.device & 0x7F);
  if (sid) {
    image[7] = static_cast<uint8_t>(m_options.slot);
    image[kSidDataOffset + kDataSize] = DataChecksum(image.data() + kSidDataOffset);
  } else {
    image[8] = static_cast<uint8_t>(m_options.bank);
    image[9] = static_cast<uint8_t>(m_options.slot);
    image[kFmDataOffset + kDataSize] = DataChecksum(image.data() + kFmDataOffset);
  }
  if (!SevenBit(image))
    return refuse("The patch holds a byte of 80h or above, which would break the message; it "
                  "was not auditioned.");
  std::lock_guard<std::mutex> lock(m_pendingLock);
  if (m_stopped)
    return refuse(m_stopReason);
  m_pending = std::move(image);
  return true;
}

bool TAuditionCore::Stopped() const {
  std::lock_guard<std::mutex> lock(m_pendingLock);
  return m_stopped;
}

std::string TAuditionCore::StopReason() const {
  std::lock_guard<std::mutex> lock(m_pendingLock);
  return m_stopReason;
}

bool TAuditionCore::Pending() const {
  std::lock_guard<std::mutex> lock(m_pendingLock);
  return m_pending.has_value();
}

std::optional<Bytes> TAuditionCore::Take() {
  std::lock_guard<std::mutex> lock(m_pendingLock);
  std::optional<Bytes> image;
  image.swap(m_pending);
  return image;
}

const TAuditionCore::TOriginal *TAuditionCore::OriginalOf(uint8_t type) const {
  for (const TOriginal &original : m_originals)
    if (original.type == type)
      return &original;
  return nullptr;
}

bool TAuditionCore::WriteNext() {
  if (Stopped() || !Pending() || !CheckLost())
    return false;
  if (m_wrote) {
    const int64_t wait = m_lastStart + m_options.spacingMs - m_nowMs();
    if (wait > 0)
      m_host.Delay(static_cast<int>(wait));
  }
  std::optional<Bytes> image = Take();
  // The slot's own patch comes first; what the editor sent meanwhile wins.
  while (image && !OriginalOf(TypeOf(*image))) {
    if (!Backup(TypeOf(*image)))
      return false;
    if (std::optional<Bytes> newer = Take())
      image = std::move(newer);
  }
  if (!image)
    return false;
  m_lastStart = m_nowMs();
  m_wrote = true;
  return WriteImage(*image);
}

bool TAuditionCore::Backup(uint8_t type) {
  return m_options.synth == TAuditionSynth::Sid ? BackupSid() : BackupFm(type);
}

bool TAuditionCore::BackupSid() {
  TSidFetch fetch;
  fetch.device = m_options.device;
  fetch.delayMs = m_options.pauseMs;
  fetch.fetchBank = m_options.bank;
  fetch.retries = 1;
  TPatchBank fetched;
  TFetchReport report;
  if (!Guarded(
          [&] { report = GetSingleSidPatch(m_link, m_host, fetch, m_options.slot + 1, fetched); }))
    return false;
  if (fetched.Count() != 1) {
    const TFetchResult result =
        report.items.empty() ? TFetchResult::NoAnswer : report.items.front().result;
    if (!report.lostReason.empty())
      Stop(report.lostReason + kStopped);
    else if (result == TFetchResult::NotAvailable)
      Stop("Bank " + BankLetter(static_cast<uint8_t>(m_options.bank)) +
           " is not available, so nothing was written to the audition slot " + SlotText() +
           ". Choose another audition slot on the Config page.");
    else
      Stop("The audition slot " + SlotText() + " could not be read (" + FetchResultText(result) +
           "), so nothing was written to it. Check the synthesizer's connection and try again.");
    return false;
  }
  TPatch patch = fetched.GetPatch(0);
  TMemoryStream stream;
  patch.SaveToStreamAs(stream, m_options.device);
  m_originals.push_back({0, stream.Data()});
  if (m_events.backup)
    m_events.backup(SidFetchRecord(fetched, m_options.device));
  return true;
}

bool TAuditionCore::BackupFm(uint8_t type) {
  TFmFetch fetch;
  fetch.device = m_options.device;
  fetch.type = type;
  fetch.bank = m_options.bank;
  fetch.retries = 1;
  TFetchReport report;
  TFMPatch patch;
  TFetchItem item;
  if (!Guarded(
          [&] { item = FetchFmSlotQuietly(m_link, m_host, fetch, m_options.slot, patch, report); }))
    return false;
  if (item.result != TFetchResult::Fetched) {
    if (!report.lostReason.empty())
      Stop(report.lostReason + kStopped);
    else if (item.result == TFetchResult::NotAvailable)
      Stop("The synthesizer has no " + std::string(TypeName(type)) + " in bank " +
           BankLetter(static_cast<uint8_t>(m_options.bank)) +
           ", so nothing was written to the audition slot " + SlotText() +
           ". Choose another audition slot on the Config page.");
    else
      Stop("The audition slot " + SlotText() + " could not be read (" +
           FetchResultText(item.result) +
           "), so nothing was written to it. Check the synthesizer's connection and try again.");
    return false;
  }
  TMemoryStream stream;
  patch.SaveToStreamAs(stream, m_options.device);
  m_originals.push_back({type, stream.Data()});
  if (m_events.backup) {
    TFMPatchBank fetched;
    fetched.Add(patch);
    m_events.backup(FmFetchRecord({&fetched}, m_options.device));
  }
  return true;
}

bool TAuditionCore::WriteImage(const Bytes &image) {
  const bool written = Guarded([&] {
    TMemoryStream message(image);
    if (m_options.synth == TAuditionSynth::Sid) {
      // No answer comes: written once the bytes have left and the pause is over.
      TSendItem item;
      WriteSidPatch(m_link, m_host, message, m_options.pauseMs, true, item);
    } else {
      TWaitOutcome outcome;
      const FmWriteReply reply = WriteFmPatch(m_link, m_host, message, m_options.pauseMs,
                                              TFmWriteWait::UntilAck, &outcome);
      m_link.Drain();
      if (outcome.end == TWaitEnd::ServiceLost)
        throw ZpmError(outcome.reason);
      if (reply == FmWriteReply::Refused) {
        Stop("The synthesizer refused the patch for the audition slot " + SlotText() + "." +
             kStopped);
        return;
      }
      if (reply == FmWriteReply::NoReply && !m_toldNoAck && CheckLost()) {
        m_toldNoAck = true;
        Tell("The synthesizer did not acknowledge the patch written to the audition slot " +
             SlotText() + "; auditioning goes on.");
      }
    }
  });
  if (!written || Stopped())
    return false;
  ++m_writes;
  if (m_options.notes.afterWrite)
    Guarded([&] { SendNotes(); });
  return !Stopped();
}

void TAuditionCore::SendNotes() {
  const auto send = [&](const Bytes &message) {
    m_link.SendShort(message[0], message[1], message.size() > 2 ? message[2] : 0);
  };
  send(ProgramChangeMessage(m_options.notes, m_options.slot));
  send(NoteOnMessage(m_options.notes));
  m_host.Delay(m_options.notes.lengthMs);
  send(NoteOffMessage(m_options.notes));
  m_link.Drain();
}

void TAuditionCore::PutBack() {
  Take();
  if (m_originals.empty())
    return;
  if (Stopped()) {
    Tell("The audition slot " + SlotText() +
         " could not be put back; its patch is in the library as fetched before the first "
         "write.");
    return;
  }
  for (const TOriginal &original : m_originals)
    if (!WriteImage(original.image)) {
      Tell("The audition slot " + SlotText() +
           " could not be put back; its patch is in the library as fetched before the first "
           "write.");
      return;
    }
  m_originals.clear();
  Tell("The audition slot " + SlotText() + " holds its own patch again.");
}

void TAuditionCore::NotesOff() {
  if (!m_options.notes.afterWrite || m_writes == 0 || Stopped())
    return;
  Guarded([&] {
    const Bytes off = AllNotesOffMessage(m_options.notes);
    m_link.SendShort(off[0], off[1], off[2]);
    m_link.Drain();
  });
}

void TAuditionCore::Finish(bool putBack) {
  if (putBack)
    PutBack();
  else
    while (WriteNext()) {
      // The last patch the editor sent goes out.
    }
  NotesOff();
}

template <typename Part> bool TAuditionCore::Guarded(Part part) {
  try {
    part();
  } catch (const ZpmError &e) {
    // The port or service that went says more than what its going did.
    const std::string lost = m_link.LostReason();
    Stop((lost.empty() ? std::string(e.what()) : lost) + kStopped);
    return false;
  }
  return CheckLost();
}

bool TAuditionCore::CheckLost() {
  if (Stopped())
    return false;
  const std::string lost = m_link.LostReason();
  if (!lost.empty())
    Stop(lost + kStopped);
  return lost.empty();
}

void TAuditionCore::Stop(const std::string &line) {
  if (Stopped())
    return;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    m_stopped = true;
    m_stopReason = line;
    m_pending.reset();
  }
  Tell(line);
}

void TAuditionCore::Tell(const std::string &line) {
  if (m_events.status)
    m_events.status(line);
}

} // namespace zpm
