// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An ordered list of patches that owns them; positions are 0-based and the
// same patch may occur more than once.

#include "patch/error.h"

#include <string>
#include <vector>

namespace zpm {

template <typename Patch> class TBank {
public:
  int Count() const { return static_cast<int>(m_patches.size()); }

  Patch &GetPatch(int index) {
    CheckIndex(index);
    return m_patches[static_cast<size_t>(index)];
  }
  const Patch &GetPatch(int index) const {
    CheckIndex(index);
    return m_patches[static_cast<size_t>(index)];
  }

  void Add(const Patch &patch) { m_patches.push_back(patch); }
  void Clear() { m_patches.clear(); }
  void Reserve(int count) { m_patches.reserve(static_cast<size_t>(count)); }

  typename std::vector<Patch>::const_iterator begin() const { return m_patches.begin(); }
  typename std::vector<Patch>::const_iterator end() const { return m_patches.end(); }

private:
  void CheckIndex(int index) const {
    if (index < 0 || index >= Count())
      throw ZpmError("Index (" + std::to_string(index) + ") outside range 1.." +
                     std::to_string(Count() - 1));
  }

  std::vector<Patch> m_patches;
};

} // namespace zpm
