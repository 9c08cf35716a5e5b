// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/patch_edit.h"

#include "patch/checksum.h"
#include "patch/patch.h"

#include <gtest/gtest.h>

#include <random>

namespace zpm {
namespace {

Bytes SidImage() {
  TPatch patch;
  patch.UpdateChecksum();
  return Bytes(patch.Dump.begin(), patch.Dump.end());
}

Bytes FmImage(uint8_t type) {
  TFMPatch patch;
  patch.SetPatchType(type);
  patch.UpdateChecksum();
  return Bytes(patch.Dump.begin(), patch.Dump.end());
}

Bytes ImageOf(PatchKind kind) {
  switch (kind) {
  case PatchKind::Sid:
    return SidImage();
  case PatchKind::FmVoice:
    return FmImage(kFmVoice);
  case PatchKind::FmDrumset:
    return FmImage(kFmDrumset);
  default:
    return FmImage(kFmEnsemble);
  }
}

const EditField &Field(PatchKind kind, const char *name) {
  const EditField *field = FindEditField(kind, name);
  EXPECT_NE(field, nullptr) << name;
  return *field;
}

// Each kind of field takes exactly its values: the first value past either
// end is refused, a choice takes only what its rule draws.
TEST(EditFields, EachFieldTakesOnlyItsValues) {
  struct Case {
    PatchKind kind;
    const char *name;
    EditKind fieldKind;
    int lowest, highest; // allowed
    std::vector<int> refused;
  };
  const Case cases[] = {
      {PatchKind::Sid, "cutoff", EditKind::Number, 0, 127, {-1, 128}},
      {PatchKind::Sid, "voice1_attack", EditKind::Number, 0, 127, {128}},
      {PatchKind::Sid, "Poly", EditKind::OnOff, 0, 1, {2}},
      {PatchKind::Sid, "Voice2 Waveform", EditKind::Choice, 0, 8 + 96, {9, 16, 31, 128}},
      {PatchKind::Sid, "LFO 3 Mode", EditKind::Choice, 0, 1 + 4 + 48, {2, 8, 64}},
      {PatchKind::FmVoice, "OP2 Volume", EditKind::Number, 0, 63, {64}},
      {PatchKind::FmVoice, "OP1 KSL (Key Scale Level)", EditKind::Number, 0, 3, {4}},
      {PatchKind::FmVoice, "op4 release rate", EditKind::Number, 0, 15, {16}},
      {PatchKind::FmVoice, "OP Connections (\"Algorithm\")", EditKind::Choice, 0, 3, {4}},
      {PatchKind::FmVoice, "OP3 Waveform", EditKind::Choice, 0, 7, {8}},
      {PatchKind::FmVoice, "Wavetable Rate", EditKind::Choice, 0, 127, {1, 63}},
      {PatchKind::FmVoice,
       "Assign Wavetable Parameter #2 to Controller",
       EditKind::Choice,
       20,
       116,
       {0, 24, 117}},
      {PatchKind::FmDrumset, "BD FM/AM (0=FM, 1=AM)", EditKind::Choice, 0, 1, {2}},
      {PatchKind::FmDrumset, "TOM Frequency", EditKind::Number, 0, 127, {128}},
      {PatchKind::FmDrumset, "SD Attack Rate", EditKind::Number, 0, 15, {16}},
      {PatchKind::FmEnsemble, "Inst. 3 Volume", EditKind::Number, 0, 127, {128}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const EditField &field = Field(c.kind, c.name);
    EXPECT_EQ(field.Kind, c.fieldKind);
    EXPECT_TRUE(field.Allows(c.lowest));
    EXPECT_TRUE(field.Allows(c.highest));
    for (int value : c.refused)
      EXPECT_FALSE(field.Allows(value)) << value;
  }
}

// Every row of every map is a field, under a heading, with no value a byte of
// a SysEx message cannot carry.
TEST(EditFields, EveryRowIsAFieldWithSevenBitValues) {
  for (PatchKind kind :
       {PatchKind::Sid, PatchKind::FmVoice, PatchKind::FmDrumset, PatchKind::FmEnsemble}) {
    const std::vector<EditField> &fields = EditFields(kind);
    ASSERT_EQ(fields.size(), ParameterMap(kind).size());
    for (const EditField &field : fields) {
      EXPECT_FALSE(field.Group.empty()) << field.Label;
      EXPECT_LE(field.Max, 127) << field.Label;
      for (const EditChoice &choice : field.Choices)
        EXPECT_LT(choice.Value, 0x80) << field.Label;
    }
  }
}

TEST(EditFields, ValuesAreReadAsTheEditorShowsThem) {
  struct Case {
    PatchKind kind;
    const char *name;
    const char *text;
    int expected; // -1: refused
  };
  const Case cases[] = {
      {PatchKind::Sid, "CutOff", "127", 127},
      {PatchKind::Sid, "CutOff", "128", -1},
      {PatchKind::Sid, "CutOff", "12a", -1},
      {PatchKind::Sid, "CutOff", "", -1},
      {PatchKind::Sid, "Poly", "on", 1},
      {PatchKind::Sid, "Poly", "2", -1},
      {PatchKind::Sid, "Voice1 Waveform", "wave 3, mode 1", 35},
      {PatchKind::Sid, "Voice1 Waveform", "35", 35},
      {PatchKind::FmVoice, "Wavetable Rate", "OFF", 0},
      {PatchKind::FmVoice, "Assign Wavetable Parameter #1 to Controller", "cc_48", 48},
      {PatchKind::FmDrumset, "BD FM/AM (0=FM, 1=AM)", "am", 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.text);
    int value = -1;
    const bool read = ParseFieldValue(Field(c.kind, c.name), c.text, value);
    EXPECT_EQ(read, c.expected >= 0);
    if (read) {
      EXPECT_EQ(value, c.expected);
    }
  }
  EXPECT_EQ(FindEditField(PatchKind::Sid, "no such thing"), nullptr);
  EXPECT_EQ(FindEditField(PatchKind::FmEnsemble, "Patch Name"), nullptr);
}

// The range a message names reads as a list the user can type from.
TEST(EditFields, RangeTextListsWhatCanBeTyped) {
  struct Case {
    PatchKind kind;
    const char *name;
    const char *range;
  };
  const Case cases[] = {
      {PatchKind::Sid, "CutOff", "0..127"},
      {PatchKind::Sid, "Poly", "Off, On"},
      {PatchKind::FmVoice, "OP Connections (\"Algorithm\")",
       "algorithm 0, algorithm 1, algorithm 2, algorithm 3"},
      {PatchKind::FmVoice, "Wavetable Rate", "off, 64..127"},
      {PatchKind::FmDrumset, "BD FM/AM (0=FM, 1=AM)", "FM, AM"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Field(c.kind, c.name).RangeText(), c.range) << c.name;
  const std::string waves = Field(PatchKind::Sid, "Voice1 Waveform").RangeText();
  EXPECT_EQ(waves.substr(0, 36), "\"wave 0, mode 0\", \"wave 1, mode 0\", ");
  EXPECT_EQ(waves.substr(waves.size() - 16), "\"wave 8, mode 3\"");
}

// A byte a patch made elsewhere holds lands on the allowed value nearest to
// it once its control moves; an allowed byte stays.
TEST(EditFields, AByteTheFieldDoesNotAllowLandsOnTheNearestAllowedValue) {
  struct Case {
    PatchKind kind;
    const char *name;
    int value, expected;
  };
  const Case cases[] = {
      {PatchKind::FmVoice, "OP2 Volume", 100, 63},   // past the top
      {PatchKind::FmVoice, "OP2 Volume", 63, 63},    // the top
      {PatchKind::FmVoice, "OP2 Volume", 0, 0},      // the bottom
      {PatchKind::Sid, "Poly", 5, 1},                // neither off nor on
      {PatchKind::Sid, "Voice1 Waveform", 9, 8},     // between 8 and 32
      {PatchKind::Sid, "Voice1 Waveform", 20, 8},    // as near to 8 as to 32: the lower
      {PatchKind::Sid, "Voice1 Waveform", 21, 32},   // nearer 32
      {PatchKind::Sid, "Voice1 Waveform", 35, 35},   // allowed
      {PatchKind::FmVoice, "Wavetable Rate", 31, 0}, // nearer off than 64
      {PatchKind::FmVoice, "Wavetable Rate", 33, 64},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.value));
    EXPECT_EQ(Field(c.kind, c.name).Nearest(c.value), c.expected);
  }
}

// The editor's search: every word typed, in any case, somewhere in the label
// or the heading; nothing typed finds all.
TEST(EditFields, ASearchFindsTheFieldsHoldingEveryWord) {
  struct Case {
    const char *search;
    std::vector<const char *> found;
  };
  const Case cases[] = {
      {"cutoff", {"CutOff"}},
      {"voice1 attack", {"Voice1 Attack"}},
      {"ATTACK voice1", {"Voice1 Attack"}},
      {"reso", {"Resonance"}},
      {"volume  ", {"Volume"}},
      {"filter mode", {"Filter Mode"}},
      {"voice 3 puls", {"Voice3 Pulsewidth"}}, // each word anywhere
      {"no such thing", {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.search);
    std::vector<std::string> found;
    for (const EditField &field : EditFields(PatchKind::Sid))
      if (field.Matches(c.search))
        found.push_back(field.Label);
    EXPECT_EQ(found, std::vector<std::string>(c.found.begin(), c.found.end()));
  }
  size_t all = 0;
  for (const EditField &field : EditFields(PatchKind::Sid))
    all += field.Matches(" ") ? 1 : 0;
  EXPECT_EQ(all, EditFields(PatchKind::Sid).size());
}

// Random edits on every kind: the checksum always fits the data, no data byte
// reaches 80h, and undoing everything gives the original back byte for byte.
TEST(PatchEdit, RandomEditsKeepThePatchSendableAndUndoToTheOriginal) {
  std::mt19937 random(20261208);
  for (PatchKind kind :
       {PatchKind::Sid, PatchKind::FmVoice, PatchKind::FmDrumset, PatchKind::FmEnsemble}) {
    TPatchEdit edit(ImageOf(kind));
    const size_t offset = kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
    std::vector<Bytes> seen{edit.Current()};
    for (int step = 0; step < 400; ++step) {
      const EditField &field = edit.Fields()[random() % edit.Fields().size()];
      if (field.Kind == EditKind::Name) {
        edit.SetName(std::string(random() % 17, static_cast<char>(0x20 + random() % 95)));
      } else {
        const int value =
            field.Kind == EditKind::Choice
                ? field.Choices[random() % field.Choices.size()].Value
                : field.Min + static_cast<int>(random() % (field.Max - field.Min + 1));
        edit.SetValue(field, value, random() % 2 == 0);
      }
      const Bytes &image = edit.Current();
      ASSERT_EQ(image[offset + kDataSize], DataChecksum(image.data() + offset));
      for (size_t i = 0; i < kDataSize; ++i)
        ASSERT_LT(image[offset + i], 0x80);
    }
    const Bytes last = edit.Current();
    while (edit.CanUndo())
      edit.Undo();
    EXPECT_EQ(edit.Current(), edit.Original());
    EXPECT_FALSE(edit.Changed());
    while (edit.CanRedo())
      edit.Redo();
    EXPECT_EQ(edit.Current(), last);
  }
}

TEST(PatchEdit, UndoStepsFollowTheEdits) {
  const EditField &cutoff = Field(PatchKind::Sid, "CutOff");
  const EditField &resonance = Field(PatchKind::Sid, "Resonance");
  TPatchEdit edit(SidImage());
  // A drag of one slider is one step; another field starts a new one.
  edit.SetValue(cutoff, 10, true);
  edit.SetValue(cutoff, 20, true);
  edit.SetValue(cutoff, 30, true);
  edit.SetValue(resonance, 5, true);
  edit.Undo();
  EXPECT_EQ(edit.Value(cutoff), 30);
  edit.Undo();
  EXPECT_EQ(edit.Value(cutoff), 0);
  EXPECT_FALSE(edit.CanUndo());
  // A change after an undo drops what could have been redone.
  edit.Redo();
  edit.SetValue(resonance, 9);
  EXPECT_FALSE(edit.CanRedo());
  // Without merge every change is its own step; the value already there is none.
  edit.SetValue(resonance, 10);
  edit.SetValue(resonance, 10);
  edit.Undo();
  EXPECT_EQ(edit.Value(resonance), 9);
  // Only the changed byte and the checksum differ from the original.
  const std::vector<size_t> changed = edit.ChangedBytes();
  EXPECT_EQ(changed, (std::vector<size_t>{cutoff.DumpByte, resonance.DumpByte, 264}));
  EXPECT_TRUE(edit.Unsaved());
  edit.MarkSaved();
  EXPECT_FALSE(edit.Unsaved());
}

TEST(PatchEdit, RefusesWhatThePatchCannotTake) {
  TPatchEdit sid(SidImage());
  EXPECT_THROW(sid.SetValue(Field(PatchKind::Sid, "CutOff"), 128), EditError);
  EXPECT_THROW(sid.SetName("seventeen chars!!"), EditError);
  EXPECT_THROW(sid.SetName(std::string("tab\there")), EditError);
  EXPECT_THROW(sid.SetName("caf\xe9"), EditError);
  sid.SetName("Bass");
  EXPECT_EQ(sid.Name(), "Bass            ");
  EXPECT_FALSE(sid.CanRedo());

  TPatchEdit drumset(FmImage(kFmDrumset));
  EXPECT_THROW(drumset.SetName("Kit"), EditError);

  Bytes high = SidImage();
  high[kSidDataOffset + 40] = 0x80;
  EXPECT_THROW(TPatchEdit{high}, EditError);
  Bytes cut = SidImage();
  cut.pop_back();
  EXPECT_THROW(TPatchEdit{cut}, EditError);
}

} // namespace
} // namespace zpm
