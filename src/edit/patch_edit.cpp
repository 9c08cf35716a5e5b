// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/patch_edit.h"

#include "patch/checksum.h"
#include "patch/patch.h"

#include <algorithm>

namespace zpm {
namespace {

const EditField *NameField(PatchKind kind) {
  for (const EditField &field : EditFields(kind))
    if (field.Kind == EditKind::Name)
      return &field;
  return nullptr;
}

size_t ImageSize(PatchKind kind) {
  return kind == PatchKind::Sid ? kSidDumpSize : kFmDumpSize;
}

} // namespace

TPatchEdit::TPatchEdit(Bytes image) : m_kind(RecognisePatchKind(image)) {
  if (m_kind == PatchKind::Unknown || image.size() != ImageSize(m_kind))
    throw EditError("This is not a whole SID or FM patch, so it cannot be edited.");
  const size_t offset = m_kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
  for (size_t i = 0; i < kDataSize; ++i)
    if (image[offset + i] >= 0x80)
      throw EditError("Data byte " + std::to_string(i) + " of this patch is " +
                      std::to_string(image[offset + i]) +
                      ", which the synthesizer cannot take (at most 127); the patch cannot be "
                      "edited or sent.");
  m_original = std::move(image);
  m_current = m_original;
  m_saved = m_original;
}

size_t TPatchEdit::DataOffset() const {
  return m_kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
}

void TPatchEdit::UpdateChecksum(Bytes &image) const {
  image[DataOffset() + kDataSize] = DataChecksum(image.data() + DataOffset());
}

bool TPatchEdit::HasName() const {
  return NameField(m_kind) != nullptr;
}

std::string TPatchEdit::Name() const {
  const EditField *field = NameField(m_kind);
  if (!field)
    return std::string();
  const auto begin = m_current.begin() + static_cast<std::ptrdiff_t>(field->DumpByte);
  return std::string(begin, begin + kNameSize);
}

void TPatchEdit::SetValue(const EditField &field, int value, bool merge) {
  if (field.Kind == EditKind::Name)
    throw EditError("Set the name with its own field.");
  if (!field.Allows(value))
    throw EditError("\"" + field.Label + "\" takes " + field.RangeText() + "; " +
                    std::to_string(value) + " is not one of them.");
  Bytes next = m_current;
  next[field.DumpByte] = static_cast<uint8_t>(value);
  Apply(next, &field, merge);
}

void TPatchEdit::SetName(const std::string &name) {
  const EditField *field = NameField(m_kind);
  if (!field)
    throw EditError("Drumsets and ensembles have no name to set.");
  if (name.size() > kNameSize)
    throw EditError("A name holds at most 16 characters; \"" + name + "\" has " +
                    std::to_string(name.size()) + ".");
  for (char c : name)
    if (c < 0x20 || c > 0x7E)
      throw EditError("A name may hold only plain characters (letters, digits, punctuation, "
                      "spaces); \"" +
                      name + "\" has another.");
  Bytes next = m_current;
  for (size_t i = 0; i < kNameSize; ++i)
    next[field->DumpByte + i] = static_cast<uint8_t>(i < name.size() ? name[i] : ' ');
  Apply(next, nullptr, false);
}

void TPatchEdit::Apply(const Bytes &target, const EditField *field, bool merge) {
  Bytes next = target;
  UpdateChecksum(next);
  if (next == m_current)
    return;
  const bool join =
      merge && field && m_done > 0 && m_done == m_steps.size() && m_steps.back().Field == field;
  if (!join) {
    m_steps.resize(m_done);
    m_steps.push_back({field, {}});
    ++m_done;
  }
  std::vector<ByteChange> &changes = m_steps.back().Changes;
  for (size_t i = 0; i < next.size(); ++i) {
    if (next[i] == m_current[i])
      continue;
    auto known = std::find_if(changes.begin(), changes.end(),
                              [i](const ByteChange &change) { return change.Position == i; });
    if (known != changes.end())
      known->After = next[i];
    else
      changes.push_back({i, m_current[i], next[i]});
  }
  m_current = std::move(next);
}

void TPatchEdit::Undo() {
  if (!CanUndo())
    return;
  --m_done;
  for (const ByteChange &change : m_steps[m_done].Changes)
    m_current[change.Position] = change.Before;
}

void TPatchEdit::Redo() {
  if (!CanRedo())
    return;
  for (const ByteChange &change : m_steps[m_done].Changes)
    m_current[change.Position] = change.After;
  ++m_done;
}

std::vector<size_t> TPatchEdit::ChangedBytes() const {
  std::vector<size_t> changed;
  for (size_t i = 0; i < m_current.size(); ++i)
    if (m_current[i] != m_original[i])
      changed.push_back(i);
  return changed;
}

} // namespace zpm
