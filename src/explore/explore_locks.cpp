// SPDX-License-Identifier: GPL-3.0-or-later
#include "explore/explore_locks.h"

#include "edit/edit_fields.h"

#include <algorithm>

namespace zpm {

// Labels hold commas and parentheses, never this.
constexpr char kSeparator = '|';

bool TExploreLocks::Lock(PatchKind kind, const std::string &name) {
  const EditField *field = FindEditField(kind, name);
  if (!field)
    return false;
  std::vector<std::string> &locked = m_locked[kind];
  if (std::find(locked.begin(), locked.end(), field->Label) == locked.end()) {
    locked.push_back(field->Label);
    // Kept in the editor's order, so the text does not depend on the order
    // of the clicks.
    std::vector<std::string> ordered;
    for (const EditField &each : EditFields(kind))
      if (std::find(locked.begin(), locked.end(), each.Label) != locked.end())
        ordered.push_back(each.Label);
    locked = std::move(ordered);
  }
  return true;
}

void TExploreLocks::Unlock(PatchKind kind, const std::string &name) {
  const EditField *field = FindEditField(kind, name);
  auto found = m_locked.find(kind);
  if (!field || found == m_locked.end())
    return;
  std::vector<std::string> &locked = found->second;
  locked.erase(std::remove(locked.begin(), locked.end(), field->Label), locked.end());
}

bool TExploreLocks::IsLocked(PatchKind kind, const std::string &name) const {
  const EditField *field = FindEditField(kind, name);
  const auto found = m_locked.find(kind);
  return field && found != m_locked.end() &&
         std::find(found->second.begin(), found->second.end(), field->Label) != found->second.end();
}

void TExploreLocks::Clear(PatchKind kind) {
  m_locked.erase(kind);
}

std::vector<std::string> TExploreLocks::Of(PatchKind kind) const {
  const auto found = m_locked.find(kind);
  return found == m_locked.end() ? std::vector<std::string>() : found->second;
}

std::string TExploreLocks::Text(PatchKind kind) const {
  std::string text;
  for (const std::string &label : Of(kind))
    text += (text.empty() ? "" : std::string(1, kSeparator)) + label;
  return text;
}

void TExploreLocks::SetText(PatchKind kind, const std::string &text) {
  Clear(kind);
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(kSeparator, start), text.size());
    Lock(kind, text.substr(start, end - start));
    start = end + 1;
  }
}

} // namespace zpm
