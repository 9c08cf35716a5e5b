// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's view of a patch: every row of the viewer's parameter map as a
// field with the heading it shows under and the values it may take. The same
// fields serve the editor window, `zpm patch set` and the variations.

#include "viewer/parameter_map.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

enum class EditKind { Number, Choice, OnOff, Name };

struct EditChoice {
  uint8_t Value;
  std::string Text;
};

struct EditField {
  std::string Label; // the viewer's label
  std::string Group; // the heading it shows under, in map order
  size_t DumpByte = 0;
  EditKind Kind = EditKind::Number;
  int Min = 0; // Number and OnOff; a choice lists its values instead
  int Max = 127;
  std::vector<EditChoice> Choices;

  // Whether the field may be set to this byte value.
  bool Allows(int value) const;
  // The value as the editor shows it; a byte the field does not allow (a
  // patch made elsewhere) shows as its number.
  std::string ValueText(int value) const;
  // The values it takes, for messages: "0..127", "Off, On", or the choices
  // ("off, 64..127"), each quoted when its text holds a comma.
  std::string RangeText() const;
  // Index of the value in Choices, or -1.
  int ChoiceIndex(int value) const;
  // The allowed value nearest to value (the lower one of two as near), so a
  // control that started on a byte the field does not allow lands inside.
  int Nearest(int value) const;
  // Whether a search typed by the user finds the field: every word of it in
  // the label or the heading, as NormalisedLabel compares them.
  bool Matches(const std::string &search) const;
};

// The fields of a kind, in the viewer's order; empty for an unknown kind.
const std::vector<EditField> &EditFields(PatchKind kind);

// A label as typed: case-insensitive, spaces and underscores alike
// ("cutoff", "voice1_attack"). Null when the kind has no such field.
const EditField *FindEditField(PatchKind kind, const std::string &name);

// A value as typed: a number the field allows, or one of its choices' texts
// (case-insensitive, spaces and underscores alike). False when neither.
bool ParseFieldValue(const EditField &field, const std::string &text, int &value);

// Labels and choice texts compared as a user types them.
std::string NormalisedLabel(const std::string &text);

} // namespace zpm
