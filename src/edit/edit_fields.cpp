// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/edit_fields.h"

#include "random/fm_random.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zpm {
namespace {

// A heading for the rows whose label holds the key; the first that matches
// wins, so the more particular keys come first.
struct GroupRule {
  const char *Key;
  const char *Group;
};

const GroupRule kSidGroups[] = {
    {"Voice1", "Voice 1"},        {"Voice2", "Voice 2"},
    {"Voice3", "Voice 3"},        {"Filter", "Filter"},
    {"CutOff", "Filter"},         {"Resonance", "Filter"},
    {"Assigned", "Filter"},       {"Velocity", "Modulation"},
    {"Modulation", "Modulation"}, {"Aftertouch", "Modulation"},
    {"Wavetable", "Wavetable"},   {"LFO", "LFOs"},
    {"ENV ", "Envelopes"},        {"", "Patch"},
};

const GroupRule kFmVoiceGroups[] = {
    {"OP", "Operators"},
    {"LFO1", "LFO 1"},
    {"LFO2", "LFO 2"},
    {"Velocity", "Velocity"},
    {"Aftertouch", "Aftertouch"},
    {"EG5", "EG5"},
    {"Wavetable Rate", "Wavetable"},
    {"Assign Wavetable", "Wavetable"},
    {"Modwheel", "Modwheel"},
    {"Patch Name", "Patch"},
    {"", "Play"},
};

const GroupRule kFmDrumsetGroups[] = {
    {"Multiplicator", "Frequency multiplicators"},
    {"Modulation Level", "Volumes"},
    {"Volume", "Volumes"},
    {"Attack", "Attack rates"},
    {"Decay", "Decay rates"},
    {"Sustain Level", "Sustain levels"},
    {"Sustain Rate", "Sustain rates"},
    {"Waveform", "Waveforms"},
    {"Feedback", "Feedback"},
    {"FM/AM", "Feedback"},
    {"Split", "Keyboard split"},
    {"Frequency", "Drum frequencies"},
    {"", "Audio channels"},
};

const GroupRule kFmEnsembleGroups[] = {
    {"Inst. 1", "Instrument 1"},
    {"Inst. 2", "Instrument 2"},
    {"Inst. 3", "Instrument 3"},
    {"Inst. 4", "Instrument 4"},
};

template <size_t N> std::string GroupOf(const std::string &label, const GroupRule (&rules)[N]) {
  for (const GroupRule &rule : rules)
    if (label.find(rule.Key) != std::string::npos)
      return rule.Group;
  return std::string();
}

std::string Number(int value) {
  return std::to_string(value);
}

// The rules the random generators draw these bytes by are the only values
// they hold on the device: the waveform bits, the LFO mode bits, the
// wavetable rate and its controllers.
std::vector<EditChoice> WaveformBits() {
  std::vector<EditChoice> choices;
  for (int mode = 0; mode < 4; ++mode)
    for (int wave = 0; wave <= 8; ++wave)
      choices.push_back({static_cast<uint8_t>(wave + 32 * mode),
                         "wave " + Number(wave) + ", mode " + Number(mode)});
  return choices;
}

std::vector<EditChoice> LfoModeBits() {
  std::vector<EditChoice> choices;
  for (int shape = 0; shape < 4; ++shape)
    for (int flags = 0; flags < 4; ++flags) {
      const int a = flags & 1;
      const int b = flags >> 1;
      choices.push_back({static_cast<uint8_t>(a + 4 * b + 16 * shape),
                         "shape " + Number(shape) + ", flags " + Number(a) + Number(b)});
    }
  return choices;
}

std::vector<EditChoice> WavetableRates() {
  std::vector<EditChoice> choices{{0, "off"}};
  for (int rate = 64; rate < 128; ++rate)
    choices.push_back({static_cast<uint8_t>(rate), Number(rate)});
  return choices;
}

std::vector<EditChoice> WavetableControllers() {
  std::vector<EditChoice> choices;
  for (uint8_t controller : WTPChoices)
    choices.push_back({controller, "CC " + Number(controller)});
  return choices;
}

std::vector<EditChoice> Numbered(const char *word, int count) {
  std::vector<EditChoice> choices;
  for (int i = 0; i < count; ++i)
    choices.push_back({static_cast<uint8_t>(i), std::string(word) + " " + Number(i)});
  return choices;
}

bool Has(const std::string &label, const char *part) {
  return label.find(part) != std::string::npos;
}

void SetMax(EditField &field, int max) {
  field.Max = max;
}

void SetChoices(EditField &field, std::vector<EditChoice> choices) {
  field.Kind = EditKind::Choice;
  field.Choices = std::move(choices);
}

void ShapeSidField(EditField &field) {
  const std::string &label = field.Label;
  if (Has(label, "Waveform"))
    SetChoices(field, WaveformBits());
  else if (Has(label, "LFO ") && Has(label, "Mode"))
    SetChoices(field, LfoModeBits());
  else if (label == "Poly" || label == "SusKey" || label == "MIDI Sync")
    field.Kind = EditKind::OnOff;
}

// The FM operators are those of an OPL3: four-bit rates and multipliers,
// six-bit levels, two-bit key scaling, three-bit waveforms and feedback.
void ShapeOperatorRange(EditField &field) {
  const std::string &label = field.Label;
  if (Has(label, "Waveform"))
    SetChoices(field, Numbered("wave", 8));
  else if (Has(label, "Volume") || Has(label, "Modulation Level"))
    SetMax(field, 63);
  else if (Has(label, "KSL"))
    SetMax(field, 3);
  else if (Has(label, "Feedback"))
    SetMax(field, 7);
  else if (Has(label, "Flags") || Has(label, "Multiplicator") || Has(label, " Rate") ||
           Has(label, "Sustain Level"))
    SetMax(field, 15);
}

void ShapeFmVoiceField(EditField &field) {
  const std::string &label = field.Label;
  if (label.rfind("OP", 0) == 0 && label.rfind("OP Connections", 0) != 0)
    ShapeOperatorRange(field);
  else if (Has(label, "Connections"))
    SetChoices(field, Numbered("algorithm", 4));
  else if (Has(label, "LFO") && Has(label, "Mode"))
    SetChoices(field, LfoModeBits());
  else if (label == "Wavetable Rate")
    SetChoices(field, WavetableRates());
  else if (Has(label, "Assign Wavetable"))
    SetChoices(field, WavetableControllers());
  else if (label == "MIDI Sync")
    field.Kind = EditKind::OnOff;
}

void ShapeFmDrumsetField(EditField &field) {
  // The split points, drum frequencies and audio channels are whole bytes.
  const std::string &label = field.Label;
  const bool drumFrequency = Has(label, "Frequency") && !Has(label, "Multiplicator");
  if (Has(label, "FM/AM"))
    SetChoices(field, {{0, "FM"}, {1, "AM"}});
  else if (!Has(label, "Split") && !Has(label, "Channels") && !drumFrequency)
    ShapeOperatorRange(field);
}

std::vector<EditField> BuildFields(PatchKind kind) {
  std::vector<EditField> fields;
  for (const ParameterEntry &entry : ParameterMap(kind)) {
    EditField field;
    field.Label = entry.label;
    field.DumpByte = entry.dumpByte;
    if (entry.size > 1) {
      field.Kind = EditKind::Name;
      field.Group = "Patch";
      fields.push_back(field);
      continue;
    }
    switch (kind) {
    case PatchKind::Sid:
      field.Group = GroupOf(field.Label, kSidGroups);
      ShapeSidField(field);
      break;
    case PatchKind::FmVoice:
      field.Group = GroupOf(field.Label, kFmVoiceGroups);
      ShapeFmVoiceField(field);
      break;
    case PatchKind::FmDrumset:
      field.Group = GroupOf(field.Label, kFmDrumsetGroups);
      ShapeFmDrumsetField(field);
      break;
    case PatchKind::FmEnsemble:
      field.Group = GroupOf(field.Label, kFmEnsembleGroups);
      break;
    case PatchKind::Unknown:
      break;
    }
    if (field.Kind == EditKind::OnOff)
      field.Max = 1;
    fields.push_back(field);
  }
  return fields;
}

} // namespace

bool EditField::Allows(int value) const {
  switch (Kind) {
  case EditKind::Choice:
    return ChoiceIndex(value) >= 0;
  case EditKind::Number:
  case EditKind::OnOff:
    return value >= Min && value <= Max;
  case EditKind::Name:
    break;
  }
  return false;
}

int EditField::ChoiceIndex(int value) const {
  for (size_t i = 0; i < Choices.size(); ++i)
    if (Choices[i].Value == value)
      return static_cast<int>(i);
  return -1;
}

int EditField::Nearest(int value) const {
  if (Kind == EditKind::Choice) {
    int best = -1;
    for (const EditChoice &choice : Choices)
      if (best < 0 || std::abs(choice.Value - value) < std::abs(best - value) ||
          (std::abs(choice.Value - value) == std::abs(best - value) && choice.Value < best))
        best = choice.Value;
    return best < 0 ? value : best;
  }
  return std::clamp(value, Min, Max);
}

bool EditField::Matches(const std::string &search) const {
  const std::string where = NormalisedLabel(Label) + " " + NormalisedLabel(Group);
  const std::string words = NormalisedLabel(search);
  for (size_t start = 0; start < words.size();) {
    size_t end = words.find(' ', start);
    if (end == std::string::npos)
      end = words.size();
    if (where.find(words.substr(start, end - start)) == std::string::npos)
      return false;
    start = end + 1;
  }
  return true;
}

std::string EditField::ValueText(int value) const {
  if (Kind == EditKind::Choice && ChoiceIndex(value) >= 0)
    return Choices[static_cast<size_t>(ChoiceIndex(value))].Text;
  if (Kind == EditKind::OnOff && (value == 0 || value == 1))
    return value ? "On" : "Off";
  return Number(value);
}

std::string EditField::RangeText() const {
  switch (Kind) {
  case EditKind::Number:
    return Number(Min) + ".." + Number(Max);
  case EditKind::OnOff:
    return "Off, On";
  case EditKind::Choice: {
    // A choice whose text holds a comma is quoted, so that the list still
    // reads as a list; a run of choices that are their own numbers shows
    // as its ends ("off, 64..127").
    const auto plain = [this](size_t i) { return Choices[i].Text == Number(Choices[i].Value); };
    std::string text;
    for (size_t i = 0; i < Choices.size(); ++i) {
      size_t last = i;
      while (plain(i) && last + 1 < Choices.size() && plain(last + 1) &&
             Choices[last + 1].Value == Choices[last].Value + 1)
        ++last;
      const std::string &choice = Choices[i].Text;
      text += text.empty() ? "" : ", ";
      if (last >= i + 2) {
        text += choice + ".." + Choices[last].Text;
        i = last;
      } else {
        text += choice.find(',') == std::string::npos ? choice : "\"" + choice + "\"";
      }
    }
    return text;
  }
  case EditKind::Name:
    break;
  }
  return "16 characters";
}

const std::vector<EditField> &EditFields(PatchKind kind) {
  static const std::vector<EditField> none;
  static const std::vector<EditField> sid = BuildFields(PatchKind::Sid);
  static const std::vector<EditField> voice = BuildFields(PatchKind::FmVoice);
  static const std::vector<EditField> drumset = BuildFields(PatchKind::FmDrumset);
  static const std::vector<EditField> ensemble = BuildFields(PatchKind::FmEnsemble);
  switch (kind) {
  case PatchKind::Sid:
    return sid;
  case PatchKind::FmVoice:
    return voice;
  case PatchKind::FmDrumset:
    return drumset;
  case PatchKind::FmEnsemble:
    return ensemble;
  case PatchKind::Unknown:
    break;
  }
  return none;
}

std::string NormalisedLabel(const std::string &text) {
  std::string normal;
  for (char c : text) {
    const char folded =
        c == '_' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Runs of spaces count as one, and none at either end.
    if (folded == ' ' && (normal.empty() || normal.back() == ' '))
      continue;
    normal.push_back(folded);
  }
  if (!normal.empty() && normal.back() == ' ')
    normal.pop_back();
  return normal;
}

const EditField *FindEditField(PatchKind kind, const std::string &name) {
  const std::string wanted = NormalisedLabel(name);
  for (const EditField &field : EditFields(kind))
    if (NormalisedLabel(field.Label) == wanted)
      return &field;
  return nullptr;
}

bool ParseFieldValue(const EditField &field, const std::string &text, int &value) {
  if (field.Kind == EditKind::Name)
    return false;
  const std::string wanted = NormalisedLabel(text);
  for (const EditChoice &choice : field.Choices)
    if (NormalisedLabel(choice.Text) == wanted) {
      value = choice.Value;
      return true;
    }
  if (field.Kind == EditKind::OnOff && (wanted == "on" || wanted == "off")) {
    value = wanted == "on" ? 1 : 0;
    return true;
  }
  if (text.empty() || text.size() > 3)
    return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  value = std::atoi(text.c_str());
  return field.Allows(value);
}

} // namespace zpm
