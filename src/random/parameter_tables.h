// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two constant tables behind the random-patch range grids: every
// parameter the generators fill, in the order the grids list them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// One table entry. A negative Max is a rule code: the value is drawn by a
// fixed rule of its own instead of from Min..Max, and Min means nothing.
struct Parameter {
  const char *Name;
  int32_t Min;
  int32_t Max;
  uint8_t DataByte; // the data byte (0..255) the generator fills from this entry
};

// Rule codes and the tags that stand for them in the "Max" cells. "LFO" is the
// same rule in both grids, under a different code.
constexpr int32_t kSidRuleWav = -1;
constexpr int32_t kSidRuleLfo = -2;
constexpr int32_t kFmRuleLfo = -1;
constexpr int32_t kFmRuleWtr = -2;
constexpr int32_t kFmRuleWtp = -3;

constexpr const char *kTagWav = "WAV";
constexpr const char *kTagLfo = "LFO";
constexpr const char *kTagWtr = "WTR";
constexpr const char *kTagWtp = "WTP";

struct RuleTag {
  int32_t Code;
  const char *Tag;
};

// A table with the tags its rule codes show as.
struct ParameterTable {
  const Parameter *Entries;
  size_t Count;
  const RuleTag *Tags;
  size_t TagCount;

  const Parameter &operator[](size_t i) const { return Entries[i]; }
  // The tag of a rule code, or nullptr when the code is not one of this table's.
  const char *TagOf(int32_t code) const;
  bool IsTag(const std::string &text) const;
};

constexpr size_t kSidParameterCount = 106;
constexpr size_t kFmParameterCount = 93;

const ParameterTable &SIDParameterTable();
const ParameterTable &FMParameterTable();

// For each data byte 0..127, the index of the entry that fills it, or -1
// where the generator writes 0 (the name bytes 0..15 are -1 as well).
std::vector<int> EntriesByDataByte(const ParameterTable &table);

} // namespace zpm
