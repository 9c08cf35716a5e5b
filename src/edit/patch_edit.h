// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One patch under edit: its dump image as loaded, as it is now, and every
// change between them, undoable and redoable without limit. Each change keeps
// the checksum right and every data byte below 80h, so the image can be sent
// at any moment.

#include "edit/edit_fields.h"
#include "patch/error.h"
#include "patch/stream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zpm {

// A value or a name the patch cannot take; the message names what it can.
class EditError : public ZpmError {
public:
  using ZpmError::ZpmError;
};

class TPatchEdit {
public:
  // A whole SID or FM dump image the viewer recognises; EditError otherwise.
  explicit TPatchEdit(Bytes image);

  PatchKind Kind() const { return m_kind; }
  const std::vector<EditField> &Fields() const { return EditFields(m_kind); }
  const Bytes &Original() const { return m_original; }
  const Bytes &Current() const { return m_current; }

  int Value(const EditField &field) const { return m_current[field.DumpByte]; }
  // The 16 name characters, or empty for a kind without a name.
  std::string Name() const;
  bool HasName() const;

  // One undo step, or none when the value is already there. With merge, a
  // change of the same field as the step before joins that step, so a
  // slider's whole drag undoes at once.
  void SetValue(const EditField &field, int value, bool merge = false);
  // Characters 20h..7Eh only, at most 16; a shorter name is filled with
  // spaces.
  void SetName(const std::string &name);

  bool CanUndo() const { return m_done > 0; }
  bool CanRedo() const { return m_done < m_steps.size(); }
  void Undo();
  void Redo();

  // Dump positions whose bytes differ from the original (checksum included).
  std::vector<size_t> ChangedBytes() const;
  bool Changed() const { return m_current != m_original; }
  // Changes made since the last MarkSaved (or since loading).
  bool Unsaved() const { return m_current != m_saved; }
  void MarkSaved() { m_saved = m_current; }

private:
  struct ByteChange {
    size_t Position;
    uint8_t Before;
    uint8_t After;
  };
  struct Step {
    const EditField *Field; // null for the name
    std::vector<ByteChange> Changes;
  };

  void Apply(const Bytes &next, const EditField *field, bool merge);
  void UpdateChecksum(Bytes &image) const;
  size_t DataOffset() const;

  PatchKind m_kind;
  Bytes m_original;
  Bytes m_current;
  Bytes m_saved;
  std::vector<Step> m_steps;
  size_t m_done = 0; // steps applied; those after it can be redone
};

} // namespace zpm
