// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the library window's Ctrl+Z takes back and Ctrl+Shift+Z does again:
// a user bank's slots as they were before and after a move, a drop or a
// Delete, and the tags, favourite and note of patches before and after an
// edit, and a user bank's making, renaming and deleting. Each change is written to the library as
// it is made; undoing writes the other side back.

#include "library/library.h"

#include <QUndoCommand>

#include <functional>
#include <string>
#include <vector>

namespace zpm {

// What the musician says of one patch.
struct TPatchWords {
  int64_t id = 0;
  bool favourite = false;
  std::vector<std::string> tags;
  std::string note;
};

// The words of the patches as the library holds them now.
std::vector<TPatchWords> PatchWordsOf(TLibrary &library, const std::vector<int64_t> &ids);
// Writes the words back, changing only what differs.
void WritePatchWords(TLibrary &library, const std::vector<TPatchWords> &words);

class TSlotsCommand : public QUndoCommand {
public:
  // apply: writes a bank's slots and shows them.
  using TApply = std::function<void(int64_t bank, const std::vector<int64_t> &wanted)>;
  TSlotsCommand(const QString &text, int64_t bank, std::vector<int64_t> before,
                std::vector<int64_t> after, TApply apply);
  // Done already when it is pushed: the first redo writes nothing.
  void redo() override;
  void undo() override;

private:
  int64_t m_bank;
  std::vector<int64_t> m_before, m_after;
  TApply m_apply;
  bool m_done = true;
};

class TWordsCommand : public QUndoCommand {
public:
  using TApply = std::function<void(const std::vector<TPatchWords> &words)>;
  TWordsCommand(const QString &text, std::vector<TPatchWords> before,
                std::vector<TPatchWords> after, TApply apply);
  void redo() override;
  void undo() override;

private:
  std::vector<TPatchWords> m_before, m_after;
  TApply m_apply;
  bool m_done = true;
};

// A user bank made, renamed or deleted: each side a function that writes it.
class TBankCommand : public QUndoCommand {
public:
  TBankCommand(const QString &text, std::function<void()> redo, std::function<void()> undo);
  void redo() override;
  void undo() override;

private:
  std::function<void()> m_redo, m_undo;
  bool m_done = true;
};

} // namespace zpm
