// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the editor plays an edited patch on each synthesizer: the audition
// slot, chosen once (no slot is chosen until the musician picks one), and
// what follows each write for a synthesizer that does not sound a rewritten
// patch by itself: a Program Change to the slot and a test note.

#include "patch/stream.h"

#include <cstdint>
#include <string>

namespace zpm {

enum class TAuditionSynth { Sid, Fm };

struct TAuditionNotes {
  bool afterWrite = false; // off: nothing but the patch goes out
  int channel = 1;         // 1..16
  int note = 60;           // 0..127, middle C
  int velocity = 100;      // 1..127
  int lengthMs = 300;      // 10..5000
};

struct TAuditionSlotSetting {
  int bank = -1; // 0..7; -1 while none is chosen
  int slot = -1; // 0-based, 0..127; -1 while none is chosen
  TAuditionNotes notes;
};

struct TAuditionSettings {
  TAuditionSlotSetting sid;
  TAuditionSlotSetting fm;
  TAuditionSlotSetting &Of(TAuditionSynth synth) { return synth == TAuditionSynth::Sid ? sid : fm; }
  const TAuditionSlotSetting &Of(TAuditionSynth synth) const {
    return synth == TAuditionSynth::Sid ? sid : fm;
  }
};

// Both bank and slot are chosen and in range.
bool AuditionSlotChosen(const TAuditionSlotSetting &setting);
// The question the editor asks at the first audition while none is chosen:
// "No audition slot is chosen for the Zavorin SID yet. ..."
std::string NoAuditionSlotText(TAuditionSynth synth);
// "B:128".
std::string AuditionSlotText(int bank, int slot);
// Values outside their ranges (an edited settings file) brought into them;
// a bank or slot out of range counts as not chosen.
TAuditionSlotSetting ClampedAuditionSetting(TAuditionSlotSetting setting);

// The short messages, on the notes' channel.
Bytes ProgramChangeMessage(const TAuditionNotes &notes, int program);
Bytes NoteOnMessage(const TAuditionNotes &notes);
Bytes NoteOffMessage(const TAuditionNotes &notes);
// Controller 123, "All notes off".
Bytes AllNotesOffMessage(const TAuditionNotes &notes);

} // namespace zpm
