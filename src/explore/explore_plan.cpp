// SPDX-License-Identifier: GPL-3.0-or-later
#include "explore/explore_plan.h"

#include "patch/checksum.h"
#include "patch/patch.h"
#include "random/parameter_tables.h"

#include <algorithm>

namespace zpm {
namespace {

size_t DataOffset(PatchKind kind) {
  return kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
}

size_t ImageSize(PatchKind kind) {
  return kind == PatchKind::Sid ? kSidDumpSize : kFmDumpSize;
}

// The grid whose rows hold this kind's data bytes; drumsets and ensembles
// are never made at random and have none.
const RangeGrid *GridOf(PatchKind kind, const RangeGrid *given) {
  static const RangeGrid sid = MakeSidRandomGrid();
  static const RangeGrid fm = MakeFmRandomGrid();
  const RangeGrid *own = kind == PatchKind::Sid ? &sid : kind == PatchKind::FmVoice ? &fm : nullptr;
  if (!given || !own)
    return own;
  if (&given->Table() != &own->Table())
    throw TExploreError("The ranges given are those of the other synthesizer's grid.");
  return given;
}

const std::vector<int> &EntriesOf(const RangeGrid &grid) {
  static const std::vector<int> sid = EntriesByDataByte(SIDParameterTable());
  static const std::vector<int> fm = EntriesByDataByte(FMParameterTable());
  return &grid.Table() == &SIDParameterTable() ? sid : fm;
}

// The field's own values, for a choice or an on/off field.
std::vector<int> OwnValues(const EditField &field) {
  std::vector<int> values;
  if (field.Kind == EditKind::Choice)
    for (const EditChoice &choice : field.Choices)
      values.push_back(choice.Value);
  else
    for (int value = field.Min; value <= field.Max; ++value)
      values.push_back(value);
  return values;
}

// A move past a limit comes back from it, so the limits do not gather the
// values a clamp would pile onto them.
int Reflect(int value, int low, int high) {
  if (value < low)
    value = 2 * low - value;
  if (value > high)
    value = 2 * high - value;
  return std::clamp(value, low, high);
}

bool IsNumber(const EditField &field) {
  return field.Kind == EditKind::Number;
}

// Another of the values a choice or on/off field offers; one draw, also
// when there is none.
int PickOther(const TFieldPlan &plan, int value, RandomGenerator &random) {
  const bool holds = std::find(plan.values.begin(), plan.values.end(), value) != plan.values.end();
  const auto others = static_cast<uint32_t>(plan.values.size() - (holds ? 1 : 0));
  uint32_t pick = random.RandomBelow(others);
  if (others == 0)
    return value;
  for (int candidate : plan.values)
    if (candidate != value && pick-- == 0)
      return candidate;
  return value;
}

} // namespace

PatchKind ExploredKind(const Bytes &image, const std::string &what) {
  const PatchKind kind = RecognisePatchKind(image);
  if (kind == PatchKind::Unknown || image.size() != ImageSize(kind))
    throw TExploreError(what + " is not a whole SID or FM patch, so it cannot be explored.");
  const size_t offset = DataOffset(kind);
  for (size_t i = 0; i < kDataSize; ++i)
    if (image[offset + i] >= 0x80)
      throw TExploreError("Data byte " + std::to_string(i) + " of " + what + " is " +
                          std::to_string(image[offset + i]) +
                          ", which the synthesizer cannot take (at most 127); mend the patch "
                          "before exploring it.");
  return kind;
}

TExplorePlan::TExplorePlan(PatchKind kind, const TExploreOptions &options)
    : m_kind(kind), m_options(options) {
  if (options.amount < kExploreAmountMin || options.amount > kExploreAmountMax)
    throw TExploreError("The amount is a percentage from 0 to 100, not " +
                        std::to_string(options.amount) + ".");
  if (options.baseName.size() > kNameSize)
    throw TExploreError("A name holds at most 16 characters; \"" + options.baseName + "\" has " +
                        std::to_string(options.baseName.size()) + ".");
  for (char c : options.baseName)
    if (c < 0x20 || c > 0x7E)
      throw TExploreError("A name may hold only plain characters (letters, digits, "
                          "punctuation, spaces); \"" +
                          options.baseName + "\" has another.");
  std::vector<const EditField *> locked;
  for (const std::string &name : options.locks) {
    const EditField *field = FindEditField(kind, name);
    if (!field)
      throw TExploreError("There is no parameter \"" + name + "\" in " + KindPhrase(kind) +
                          " to lock; the names are those of the patch viewer's list.");
    locked.push_back(field);
  }
  const RangeGrid *grid = GridOf(kind, options.grid);
  const size_t offset = DataOffset(kind);
  for (const EditField &field : EditFields(kind)) {
    const bool isLocked = std::find(locked.begin(), locked.end(), &field) != locked.end();
    if (field.Kind == EditKind::Name) {
      m_name = &field;
      m_nameLocked = isLocked;
      continue;
    }
    TFieldPlan plan;
    plan.field = &field;
    plan.locked = isLocked;
    const std::vector<int> own = OwnValues(field);
    plan.low = IsNumber(field) ? field.Min : *std::min_element(own.begin(), own.end());
    plan.high = IsNumber(field) ? field.Max : *std::max_element(own.begin(), own.end());
    const size_t dataByte = field.DumpByte - offset;
    const int entry = grid && dataByte < 128 ? EntriesOf(*grid)[dataByte] : -1;
    const int row = entry + 1;
    if (entry >= 0 && !grid->IsCodedRow(row)) {
      // The grid's "Min" may be above its "Max"; the range lies between them.
      int32_t min = 0, max = 0;
      if (ParseCellInteger(grid->Cell(kGridMinColumn, row), min) &&
          ParseCellInteger(grid->Cell(kGridMaxColumn, row), max)) {
        plan.fixed = min == max;
        const int low = static_cast<int>(std::min(min, max));
        const int high = static_cast<int>(std::max(min, max));
        plan.low = std::clamp(low, plan.low, plan.high);
        plan.high = std::clamp(high, plan.low, plan.high);
      }
    }
    if (!IsNumber(field))
      for (int value : own)
        if (value >= plan.low && value <= plan.high)
          plan.values.push_back(value);
    m_fields.push_back(plan);
  }
}

Bytes TExplorePlan::Vary(const Bytes &parent, RandomGenerator &random, int amount,
                         int number) const {
  Bytes image = parent;
  for (const TFieldPlan &plan : m_fields) {
    const EditField &field = *plan.field;
    const int value = parent[field.DumpByte];
    int next = value;
    if (IsNumber(field)) {
      // A value the grid does not reach (a patch made by hand) widens the
      // range to it, so the patch's own sound stays reachable.
      const int low = std::min(plan.low, value);
      const int high = std::max(plan.high, value);
      const int step = ((high - low) * amount + 50) / 100;
      const int move = static_cast<int>(random.RandomBelow(static_cast<uint32_t>(2 * step + 1)));
      next = Reflect(value + move - step, low, high);
    } else {
      const bool change = random.RandomBelow(100) < static_cast<uint32_t>(amount);
      const int other = PickOther(plan, value, random);
      if (change)
        next = other;
    }
    if (!plan.locked && !plan.fixed)
      image[field.DumpByte] = static_cast<uint8_t>(next);
  }
  PutName(image, number);
  Finish(image);
  return image;
}

Bytes TExplorePlan::Cross(const std::vector<const Bytes *> &parents, RandomGenerator &random,
                          int number) const {
  const Bytes &first = *parents.front();
  Bytes image = first;
  const auto count = static_cast<uint32_t>(parents.size());
  for (const TFieldPlan &plan : m_fields) {
    const EditField &field = *plan.field;
    const size_t at = field.DumpByte;
    const uint32_t pick = random.RandomBelow(count);
    const bool between = random.RandomBelow(2) == 1;
    const auto position = static_cast<int>(random.RandomBelow(1001)); // per mille
    if (plan.locked || plan.fixed)
      continue;
    int next = (*parents[pick])[at];
    if (IsNumber(field) && between) {
      int lowest = 127, highest = 0;
      for (const Bytes *parent : parents) {
        lowest = std::min<int>(lowest, (*parent)[at]);
        highest = std::max<int>(highest, (*parent)[at]);
      }
      const int past = m_options.beyond ? (highest - lowest + 2) / 4 : 0;
      const int low = lowest - past;
      const int high = highest + past;
      next = low + (position * (high - low) + 500) / 1000;
      next = std::clamp(next, std::min(plan.low, lowest), std::max(plan.high, highest));
    }
    image[at] = static_cast<uint8_t>(next);
  }
  PutName(image, number);
  Finish(image);
  return image;
}

void TExplorePlan::PutName(Bytes &image, int number) const {
  if (!m_name || m_nameLocked || m_options.naming == TExploreNaming::Kept)
    return;
  const size_t at = m_name->DumpByte;
  std::string base = m_options.baseName;
  if (base.empty())
    base.assign(image.begin() + static_cast<std::ptrdiff_t>(at),
                image.begin() + static_cast<std::ptrdiff_t>(at + kNameSize));
  const auto trim = [](std::string &text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
      text.pop_back();
  };
  trim(base);
  const std::string suffix = " " + std::to_string(number);
  if (base.size() + suffix.size() > kNameSize) {
    base.resize(suffix.size() < kNameSize ? kNameSize - suffix.size() : 0);
    trim(base);
  }
  const std::string name = (base + suffix).substr(0, kNameSize);
  for (size_t i = 0; i < kNameSize; ++i)
    image[at + i] = static_cast<uint8_t>(i < name.size() ? name[i] : ' ');
}

void TExplorePlan::Finish(Bytes &image) const {
  const size_t offset = DataOffset(m_kind);
  image[offset + kDataSize] = DataChecksum(image.data() + offset);
}

} // namespace zpm
