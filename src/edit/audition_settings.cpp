// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/audition_settings.h"

#include "patch/list_text.h"

#include <algorithm>

namespace zpm {

namespace {

uint8_t Channel(const TAuditionNotes &notes) {
  return static_cast<uint8_t>(std::clamp(notes.channel, 1, 16) - 1);
}

uint8_t Data(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 127));
}

} // namespace

bool AuditionSlotChosen(const TAuditionSlotSetting &setting) {
  return setting.bank >= 0 && setting.bank <= 7 && setting.slot >= 0 && setting.slot <= 127;
}

std::string NoAuditionSlotText(TAuditionSynth synth) {
  const char *name = synth == TAuditionSynth::Sid ? "Zavorin SID" : "Zavorin FM";
  return std::string("No audition slot is chosen for the ") + name +
         " yet. The editor plays the patch by writing it into one slot of the synthesizer, "
         "and puts back what the slot held when it closes. Choose the bank and slot.";
}

std::string AuditionSlotText(int bank, int slot) {
  return BankLetter(static_cast<uint8_t>(bank)) + ":" + std::to_string(slot + 1);
}

TAuditionSlotSetting ClampedAuditionSetting(TAuditionSlotSetting setting) {
  if (!AuditionSlotChosen(setting))
    setting.bank = setting.slot = -1;
  TAuditionNotes &notes = setting.notes;
  notes.channel = std::clamp(notes.channel, 1, 16);
  notes.note = std::clamp(notes.note, 0, 127);
  notes.velocity = std::clamp(notes.velocity, 1, 127);
  notes.lengthMs = std::clamp(notes.lengthMs, 10, 5000);
  return setting;
}

Bytes ProgramChangeMessage(const TAuditionNotes &notes, int program) {
  return {static_cast<uint8_t>(0xC0 | Channel(notes)), Data(program)};
}

Bytes NoteOnMessage(const TAuditionNotes &notes) {
  return {static_cast<uint8_t>(0x90 | Channel(notes)), Data(notes.note),
          static_cast<uint8_t>(std::clamp(notes.velocity, 1, 127))};
}

Bytes NoteOffMessage(const TAuditionNotes &notes) {
  return {static_cast<uint8_t>(0x80 | Channel(notes)), Data(notes.note), 0};
}

Bytes AllNotesOffMessage(const TAuditionNotes &notes) {
  return {static_cast<uint8_t>(0xB0 | Channel(notes)), 123, 0};
}

} // namespace zpm
