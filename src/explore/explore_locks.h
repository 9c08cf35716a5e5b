// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameters the musician has locked, remembered for each kind of patch
// on its own: a lock on a SID patch's cutoff stays when an FM voice is
// explored, and is there again for the next SID patch. Kept as one line of
// text per kind, for the settings.

#include "viewer/parameter_map.h"

#include <map>
#include <string>
#include <vector>

namespace zpm {

class TExploreLocks {
public:
  // The field's label as the editor shows it; false when the kind has no
  // such field.
  bool Lock(PatchKind kind, const std::string &name);
  void Unlock(PatchKind kind, const std::string &name);
  bool IsLocked(PatchKind kind, const std::string &name) const;
  void Clear(PatchKind kind);

  // In the editor's order, as TExploreOptions::locks takes them.
  std::vector<std::string> Of(PatchKind kind) const;

  // "Label|Label", and back; a name the kind does not know is left out.
  std::string Text(PatchKind kind) const;
  void SetText(PatchKind kind, const std::string &text);

private:
  std::map<PatchKind, std::vector<std::string>> m_locked; // labels, editor order
};

} // namespace zpm
