// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patch library as the window includes it. Its records name a member
// `slots`, which Qt's keyword macro of that name would empty: the macro is
// set aside while they are read, and the window reaches the member through
// the accessors below.

#pragma push_macro("slots")
#undef slots
#include "library/library.h"
#include "library/library_files.h"
#include "library/library_types.h"

namespace zpm {

inline std::vector<TSnapshotRecord::TSlot> &RecordSlots(TSnapshotRecord &record) {
  return record.slots;
}
inline const std::vector<TSnapshotRecord::TSlot> &RecordSlots(const TSnapshotRecord &record) {
  return record.slots;
}
inline const std::vector<int> &SnapshotSlots(const TSnapshotRow &snapshot) {
  return snapshot.slots;
}

} // namespace zpm
#pragma pop_macro("slots")
