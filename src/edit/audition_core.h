// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hearing an edited patch: the editor hands over the whole patch as it
// changes, since the synthesizers take no single parameters, and the latest
// one is written into the audition slot. The slot's own patch is fetched
// before the first write and can be put back. Everything here runs on one
// thread (TAudition's worker, or a test's); only Submit may come from
// another.

#include "edit/audition_settings.h"
#include "library/library_types.h"
#include "midi/midi_link.h"
#include "midi/transfer_host.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zpm {

// A write begins no sooner than this after the one before began: the cable
// carries a patch in 85 ms, and a slider sends far more often.
constexpr int kAuditionSpacingMs = 150;

struct TAuditionOptions {
  TAuditionSynth synth = TAuditionSynth::Sid;
  int bank = -1; // the audition slot, 0..7
  int slot = -1; // 0-based
  uint8_t device = 0;
  // SID: "&Delay after SysEx block (ms):", the pause after each write and
  // the Bank Select's answer; FM: "&Acknowledge Timeout (ms):".
  int pauseMs = 750;
  TAuditionNotes notes;
  int spacingMs = kAuditionSpacingMs;
};

struct TAuditionEvents {
  // A line for the editor's status line: a stop, a put-back, a refusal.
  std::function<void(const std::string &line)> status;
  // The slot's patch as fetched before the first write, for the library.
  std::function<void(const TSnapshotRecord &record)> backup;
};

class TAuditionCore {
public:
  using TNowMs = std::function<int64_t()>;

  TAuditionCore(TMidiLink &link, TTransferHost &host, const TAuditionOptions &options,
                TAuditionEvents events, TNowMs nowMs);

  // Takes a whole Patch Dump of the synthesizer (SID 266 bytes, FM 268) as
  // the one to write next, in place of any still waiting; it is addressed to
  // the audition slot with the device ID, its checksum made right. False,
  // with why, when it cannot be auditioned or auditioning has stopped.
  // From any thread.
  bool Submit(const Bytes &image, std::string *why = nullptr);
  bool Pending() const;

  // Writes the latest image when one waits, no sooner than spacingMs after
  // the previous write began; the write ends once its bytes have left and
  // the device's pause (SID) or acknowledgement (FM) is over, followed by
  // the Program Change and test note when they are on. The first write of
  // a slot fetches its patch first. False when nothing was written.
  bool WriteNext();
  // Writes back what the slot held before the first write, if anything was
  // written; says so in a line.
  void PutBack();
  // "All notes off" when the notes are on and anything was written.
  void NotesOff();
  // The end of auditioning: the patch still waiting goes out, or with
  // putBack the slot's own patch instead; then "All notes off".
  void Finish(bool putBack);

  // A lost port or a refusal stopped it: nothing more is written.
  bool Stopped() const;
  std::string StopReason() const;
  int Writes() const { return m_writes; }

private:
  struct TOriginal {
    uint8_t type; // FM type code; 0 for the SID
    Bytes image;
  };

  std::optional<Bytes> Take();
  const TOriginal *OriginalOf(uint8_t type) const;
  bool Backup(uint8_t type);
  bool BackupSid();
  bool BackupFm(uint8_t type);
  // One Patch Dump to the slot; false when auditioning stopped on the way.
  bool WriteImage(const Bytes &image);
  void SendNotes();
  // A part that talks to the device: a service or port that goes, or a
  // send that fails, stops auditioning with the reason. False then.
  template <typename Part> bool Guarded(Part part);
  bool CheckLost();
  void Stop(const std::string &line);
  void Tell(const std::string &line);
  std::string SlotText() const;

  TMidiLink &m_link;
  TTransferHost &m_host;
  TAuditionOptions m_options;
  TAuditionEvents m_events;
  TNowMs m_nowMs;

  mutable std::mutex m_pendingLock; // guards m_pending and the stop
  std::optional<Bytes> m_pending;
  bool m_stopped = false;
  std::string m_stopReason;

  std::vector<TOriginal> m_originals;
  bool m_wrote = false;
  int64_t m_lastStart = 0;
  int m_writes = 0;
  bool m_toldNoAck = false;
};

} // namespace zpm
