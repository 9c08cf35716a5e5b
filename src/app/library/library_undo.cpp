// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_undo.h"

#include <algorithm>

namespace zpm {

std::vector<TPatchWords> PatchWordsOf(TLibrary &library, const std::vector<int64_t> &ids) {
  std::vector<TPatchWords> words;
  for (int64_t id : ids) {
    const TPatchRow row = library.Row(id);
    words.push_back({id, row.favourite, row.tags, row.note});
  }
  return words;
}

void WritePatchWords(TLibrary &library, const std::vector<TPatchWords> &words) {
  for (const TPatchWords &wanted : words) {
    const TPatchRow now = library.Row(wanted.id);
    if (now.favourite != wanted.favourite)
      library.SetFavourite(wanted.id, wanted.favourite);
    for (const std::string &tag : now.tags)
      if (std::find(wanted.tags.begin(), wanted.tags.end(), tag) == wanted.tags.end())
        library.RemoveTag(wanted.id, tag);
    for (const std::string &tag : wanted.tags)
      if (std::find(now.tags.begin(), now.tags.end(), tag) == now.tags.end())
        library.AddTag(wanted.id, tag);
    if (now.note != wanted.note)
      library.SetNote(wanted.id, wanted.note);
  }
}

TSlotsCommand::TSlotsCommand(const QString &text, int64_t bank, std::vector<int64_t> before,
                             std::vector<int64_t> after, TApply apply)
    : QUndoCommand(text), m_bank(bank), m_before(std::move(before)), m_after(std::move(after)),
      m_apply(std::move(apply)) {}

void TSlotsCommand::redo() {
  if (m_done) {
    m_done = false;
    return;
  }
  m_apply(m_bank, m_after);
}

void TSlotsCommand::undo() {
  m_apply(m_bank, m_before);
}

TWordsCommand::TWordsCommand(const QString &text, std::vector<TPatchWords> before,
                             std::vector<TPatchWords> after, TApply apply)
    : QUndoCommand(text), m_before(std::move(before)), m_after(std::move(after)),
      m_apply(std::move(apply)) {}

void TWordsCommand::redo() {
  if (m_done) {
    m_done = false;
    return;
  }
  m_apply(m_after);
}

void TWordsCommand::undo() {
  m_apply(m_before);
}

TBankCommand::TBankCommand(const QString &text, std::function<void()> redo,
                           std::function<void()> undo)
    : QUndoCommand(text), m_redo(std::move(redo)), m_undo(std::move(undo)) {}

void TBankCommand::redo() {
  if (m_done) {
    m_done = false;
    return;
  }
  m_redo();
}

void TBankCommand::undo() {
  m_undo();
}

} // namespace zpm
