// SPDX-License-Identifier: GPL-3.0-or-later
#include "random/parameter_tables.h"

#include <iterator>

namespace zpm {

namespace {

const Parameter kSidEntries[kSidParameterCount] = {
    {"Volume", 127, 127, 16},
    {"Poly", 0, 0, 17},
    {"Suskey", 0, 0, 18},
    {"Midi_Sync", 0, 0, 19},
    {"OSC_Sync", 0, 7, 20},
    {"Env_Curves", 0, 7, 21},
    {"Filter_Channels", 0, 7, 24},
    {"Filter_Mode", 0, 7, 25},
    {"Filter_Cutoff", 0, 127, 26},
    {"Filter_Resonance", 0, 127, 27},
    {"Filter_LFO", 0, 127, 28},
    {"Filter_ENV", 0, 127, 29},
    {"Voice1_Transpose", 64, 64, 32},
    {"Voice1_Finetune", 64, 64, 33},
    {"Voice1_Pitchrange", 2, 2, 34},
    {"Voice1_Portamento", 0, 15, 35},
    {"Voice1_Waveform", 0, kSidRuleWav, 36},
    {"Voice1_Pulsewidth", 0, 127, 37},
    {"Voice1_Arpeggiator", 0, 0, 38},
    {"Voice1_Delay", 0, 0, 39},
    {"Voice1_Attack", 0, 127, 40},
    {"Voice1_Decay", 0, 127, 41},
    {"Voice1_Sustain", 0, 127, 42},
    {"Voice1_Release", 0, 127, 43},
    {"Voice1_LFO_Pitch", 0, 127, 44},
    {"Voice1_LFO_PW", 0, 127, 45},
    {"Voice1_ENV", 0, 127, 46},
    {"Voice1_Split_Lower", 0, 0, 47},
    {"Voice1_Split_Upper", 127, 127, 93},
    {"Voice2_Transpose", 64, 64, 48},
    {"Voice2_Finetune", 64, 64, 49},
    {"Voice2_Pitchrange", 2, 2, 50},
    {"Voice2_Portamento", 0, 127, 51},
    {"Voice2_Waveform", 0, kSidRuleWav, 52},
    {"Voice2_Pulsewidth", 0, 127, 53},
    {"Voice2_Arpeggiator", 0, 0, 54},
    {"Voice2_Delay", 0, 0, 55},
    {"Voice2_Attack", 0, 127, 56},
    {"Voice2_Decay", 0, 127, 57},
    {"Voice2_Sustain", 0, 127, 58},
    {"Voice2_Release", 0, 127, 59},
    {"Voice2_LFO_Pitch", 0, 127, 60},
    {"Voice2_LFO_PW", 0, 127, 61},
    {"Voice2_ENV", 0, 127, 62},
    {"Voice2_Split_Lower", 0, 0, 63},
    {"Voice2_Split_Upper", 127, 127, 94},
    {"Voice3_Transpose", 64, 64, 64},
    {"Voice3_Finetune", 64, 64, 65},
    {"Voice3_Pitchrange", 2, 2, 66},
    {"Voice3_Portamento", 0, 127, 67},
    {"Voice3_Waveform", 0, kSidRuleWav, 68},
    {"Voice3_Pulsewidth", 0, 127, 69},
    {"Vice3_Arpeggiator", 0, 0, 70},
    {"Voice3_Delay", 0, 0, 71},
    {"Voice3_Attack", 0, 127, 72},
    {"Voice3_Decay", 0, 127, 73},
    {"Voice3_Sustain", 0, 127, 74},
    {"Voice3_Release", 0, 127, 75},
    {"Voice3_LFO_Pitch", 0, 127, 76},
    {"voice3_LFO_PW", 0, 127, 77},
    {"Voice3_ENV", 0, 127, 78},
    {"Voice3_Split_Lower", 0, 0, 79},
    {"Voice3_Split_Upper", 127, 127, 95},
    {"Velocity_Assign", 0, 0, 80},
    {"Velocity_Init", 0, 0, 81},
    {"Velocity_Depth", 64, 64, 82},
    {"Modulation_Assign", 0, 0, 83},
    {"Modulation_Init", 0, 0, 84},
    {"Modulation_Depth", 64, 64, 85},
    {"Aftertouch_Assign", 0, 0, 86},
    {"Aftertouch_Init", 0, 0, 87},
    {"Aftertouch_Depth", 64, 64, 88},
    {"Wavetable_Rate", 0, 0, 89},
    {"Wavetable_P1_Assign", 0, 127, 90},
    {"Wavetable_P2_Assign", 0, 127, 91},
    {"Wavetable_P3_Assign", 0, 127, 92},
    {"LFO1_Mode", 0, kSidRuleLfo, 96},
    {"LFO1_Rate", 0, 127, 97},
    {"LFO1_Depth", 0, 127, 98},
    {"LFO2_Mode", 0, kSidRuleLfo, 99},
    {"LFO2_Rate", 0, 127, 100},
    {"LFO2_Depth", 0, 127, 101},
    {"LFO3_Mode", 0, kSidRuleLfo, 102},
    {"LFO3_Rate", 0, 127, 103},
    {"LFO3_Depth", 0, 127, 104},
    {"LFO4_Mode", 0, kSidRuleLfo, 105},
    {"LFO4_Rate", 0, 127, 106},
    {"LFO4_Depth", 0, 127, 107},
    {"LFO5_Mode", 0, kSidRuleLfo, 108},
    {"LFO5_Rate", 0, 127, 109},
    {"LFO5_Depth", 0, 127, 110},
    {"LFO6_Mode", 0, kSidRuleLfo, 111},
    {"LFO6_Rate", 0, 127, 112},
    {"LFO6_Depth", 0, 127, 113},
    {"ENV1_Depth", 0, 127, 114},
    {"ENV1_Attack", 0, 127, 115},
    {"ENV1_Decay", 0, 127, 116},
    {"ENV1_Sustain", 0, 127, 117},
    {"ENV1_Release", 0, 127, 118},
    {"ENV1_Curve", 0, 127, 30},
    {"ENV2_Depth", 0, 127, 119},
    {"ENV2_Attack", 0, 127, 120},
    {"ENV2_Decay", 0, 127, 121},
    {"ENV2_Sustain", 0, 127, 122},
    {"ENV2_Release", 0, 127, 123},
    {"ENV2_Curve", 0, 127, 31},
};

const Parameter kFmEntries[kFmParameterCount] = {
    {"OP1_Flags", 0, 15, 16},
    {"OP2_Flags", 0, 15, 17},
    {"OP3_Flags", 0, 15, 18},
    {"OP4_Flags", 0, 15, 19},
    {"OP1_Mult", 0, 7, 20},
    {"OP2_Mult", 0, 0, 21},
    {"OP3_Mult", 0, 7, 22},
    {"OP4_Mult", 0, 0, 23},
    {"OP1_KSL", 0, 0, 24},
    {"OP2_KSL", 0, 0, 25},
    {"OP3_KSL", 0, 0, 26},
    {"OP4_KSL", 0, 0, 27},
    {"OP1_Volume", 48, 63, 28},
    {"OP2_Volume", 63, 63, 29},
    {"OP3_Volume", 48, 63, 30},
    {"OP4_Volume", 63, 63, 31},
    {"OP1_Attack", 0, 15, 32},
    {"OP2_Attack", 0, 15, 33},
    {"OP3_Attack", 0, 15, 34},
    {"OP4_Attack", 0, 15, 35},
    {"OP1_Decay", 0, 15, 36},
    {"OP2_Decay", 0, 15, 37},
    {"OP3_Decay", 0, 15, 38},
    {"OP4_Decay", 0, 15, 39},
    {"OP1_Sustain", 8, 15, 40},
    {"OP2_Sustain", 8, 15, 41},
    {"OP3_Sustain", 8, 15, 42},
    {"OP4_Sustain", 8, 15, 43},
    {"OP1_Release", 0, 12, 44},
    {"OP2_Release", 0, 12, 45},
    {"OP3_Release", 0, 12, 46},
    {"OP4_Release", 0, 12, 47},
    {"OP1_Waveform", 0, 7, 48},
    {"OP2_Waveform", 0, 7, 49},
    {"OP3_Waveform", 0, 7, 50},
    {"OP4_Waveform", 0, 7, 51},
    {"OP1_Feedback", 0, 7, 56},
    {"OP_Connections", 0, 3, 60},
    {"LFO1_Mode", 0, kFmRuleLfo, 64},
    {"LFO1_Phase", 0, 127, 65},
    {"LFO1_Rate", 0, 127, 66},
    {"LFO1_Depth_P", 0, 127, 67},
    {"LFO1_Depth_V1", 0, 127, 68},
    {"LFO1_Depth_V2", 64, 64, 69},
    {"LFO1_Depth_V3", 0, 127, 70},
    {"LFO1_Depth_V4", 64, 64, 71},
    {"LFO1_Depth_LFO2", 0, 127, 72},
    {"LFO1_Depth_AOUT", 0, 127, 73},
    {"Velocity_CC", 0, 0, 76},
    {"Velocity_Init", 0, 0, 77},
    {"Velocity_Depth", 64, 64, 78},
    {"LFO2_Mode", 0, kFmRuleLfo, 80},
    {"LFO2_Phase", 0, 127, 81},
    {"LFO2_Rate", 0, 127, 82},
    {"LFO2_Depth_P", 0, 127, 83},
    {"LFO2_Depth_V1", 0, 127, 84},
    {"LFO2_Depth_V2", 64, 64, 85},
    {"LFO2_Depth_V3", 0, 127, 86},
    {"LFO2_Depth_V4", 64, 64, 87},
    {"LFO2_Depth_LFO1", 0, 127, 88},
    {"LFO2_Depth_AOUT", 0, 127, 89},
    {"Aftertouch_CC", 0, 0, 92},
    {"Aftertouch_Init", 0, 0, 93},
    {"Aftertouch_Depth", 64, 64, 94},
    {"EG5_Mode", 0, 15, 96},
    {"EG5_Attack", 0, 127, 97},
    {"EG5_Attack_LVL", 0, 127, 98},
    {"EG5_Decay1", 0, 127, 99},
    {"EG5_Decay1_LVL", 0, 127, 100},
    {"EG5_Decay2", 0, 127, 101},
    {"EG5_Sustain", 0, 127, 102},
    {"EG5_Release", 0, 127, 103},
    {"EG5_CURVE", 0, 127, 104},
    {"EG5_Depth_P", 0, 127, 105},
    {"EG5_Depth_V1", 0, 127, 106},
    {"EG5_Depth_V2", 64, 64, 107},
    {"EG5_Depth_V3", 0, 127, 108},
    {"EG5_Depth_V4", 64, 64, 109},
    {"EG5_Depth_LFO1", 0, 127, 110},
    {"EG5_Depth_AOUT", 0, 127, 111},
    {"Play_Mode", 0, 0, 112},
    {"Velocity_Mode", 0, 0, 113},
    {"MIDI_Sync", 0, 0, 114},
    {"Finetune", 64, 64, 116},
    {"Pitchrange", 2, 2, 117},
    {"Portamento", 0, 31, 118},
    {"WT_Rate", 0, kFmRuleWtr, 119},
    {"WT_PAR1", 0, kFmRuleWtp, 120},
    {"WT_PAR2", 0, kFmRuleWtp, 121},
    {"WT_PAR3", 0, kFmRuleWtp, 122},
    {"Modwheel_CC", 0, 0, 124},
    {"Modwheel_Init", 0, 0, 125},
    {"Modwheel_Depth", 64, 64, 126},
};

const RuleTag kSidTags[] = {{kSidRuleWav, kTagWav}, {kSidRuleLfo, kTagLfo}};
const RuleTag kFmTags[] = {{kFmRuleLfo, kTagLfo}, {kFmRuleWtr, kTagWtr}, {kFmRuleWtp, kTagWtp}};

} // namespace

const char *ParameterTable::TagOf(int32_t code) const {
  for (size_t i = 0; i < TagCount; ++i)
    if (Tags[i].Code == code)
      return Tags[i].Tag;
  return nullptr;
}

bool ParameterTable::IsTag(const std::string &text) const {
  for (size_t i = 0; i < TagCount; ++i)
    if (text == Tags[i].Tag)
      return true;
  return false;
}

const ParameterTable &SIDParameterTable() {
  static const ParameterTable table{kSidEntries, kSidParameterCount, kSidTags, std::size(kSidTags)};
  return table;
}

const ParameterTable &FMParameterTable() {
  static const ParameterTable table{kFmEntries, kFmParameterCount, kFmTags, std::size(kFmTags)};
  return table;
}

std::vector<int> EntriesByDataByte(const ParameterTable &table) {
  std::vector<int> rows(128, -1);
  for (size_t i = 0; i < table.Count; ++i)
    if (table[i].DataByte < rows.size())
      rows[table[i].DataByte] = static_cast<int>(i);
  return rows;
}

} // namespace zpm
