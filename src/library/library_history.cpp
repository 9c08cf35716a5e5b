// SPDX-License-Identifier: GPL-3.0-or-later
// The synthesizer's history: the snapshots of a bank and its state at a time.
#include "library/library.h"

#include "library/library_internal.h"
#include "library/library_values.h"

#include <algorithm>
#include <map>

namespace zpm {

std::vector<TSnapshotRow> TLibrary::History(TKind kind, int bank) {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        "SELECT n.id, n.time, n.source, n.device, s.slot, s.patch_id, s.id FROM sighting s JOIN "
        "snapshot n ON n.id = s.snapshot_id WHERE s.kind = ? AND s.bank = ? ORDER BY n.time, "
        "n.id, s.slot");
    query.Bind(1, static_cast<int64_t>(kind)).Bind(2, static_cast<int64_t>(bank));
    std::vector<TSnapshotRow> history;
    std::map<int, int64_t> state;
    while (query.Step()) {
      if (history.empty() || history.back().id != query.Int(0)) {
        TSnapshotRow row;
        row.id = query.Int(0);
        row.time = query.Int(1);
        row.source = SnapshotSourceOfRow(query.Text(2), row.id);
        row.device = static_cast<int>(
            InRangeOfRow(query.Int(3), 0, kLastDevice, "snapshot", "device", row.id));
        history.push_back(row);
      }
      const int slot = SlotOfRow(query.Int(4), kind, "sighting", query.Int(6));
      const int64_t patch = query.Int(5);
      history.back().numbers.push_back(slot);
      const auto before = state.find(slot);
      if (before != state.end() && before->second != patch)
        ++history.back().changed;
      state[slot] = patch;
    }
    std::reverse(history.begin(), history.end());
    return history;
  });
}

std::vector<TBankSlot> TLibrary::BankAt(TKind kind, int bank, int64_t time) {
  return Guarded(m_path, [&] {
    std::vector<TBankSlot> slots(static_cast<size_t>(SlotsPerBank(kind)));
    for (size_t i = 0; i < slots.size(); ++i)
      slots[i].number = static_cast<int>(i);
    TStatement query = m_db->Prepare(
        "SELECT s.slot, s.patch_id, p.name_text, s.id FROM sighting s JOIN snapshot n ON n.id = "
        "s.snapshot_id JOIN patch p ON p.id = s.patch_id WHERE s.kind = ? AND s.bank = ? AND "
        "n.time <= ? ORDER BY n.time, n.id");
    query.Bind(1, static_cast<int64_t>(kind)).Bind(2, static_cast<int64_t>(bank)).Bind(3, time);
    while (query.Step()) {
      const auto slot =
          static_cast<size_t>(SlotOfRow(query.Int(0), kind, "sighting", query.Int(3)));
      slots[slot].id = query.Int(1);
      slots[slot].name.reset();
      if (!query.IsNull(2))
        slots[slot].name = query.Text(2);
    }
    return slots;
  });
}

std::vector<TPlacedPatch> TLibrary::SnapshotSlots(int64_t snapshot) {
  return Guarded(m_path, [&] {
    TStatement exists = m_db->Prepare("SELECT 1 FROM snapshot WHERE id = ?");
    exists.Bind(1, snapshot);
    if (!exists.Step())
      throw TLibraryError("The library holds no snapshot " + std::to_string(snapshot) + ".");
    TStatement query = m_db->Prepare(
        "SELECT s.patch_id, s.bank, s.slot, s.id, s.kind FROM sighting s WHERE s.snapshot_id = ? "
        "ORDER BY s.kind, s.bank, s.slot");
    query.Bind(1, snapshot);
    std::vector<TPlacedPatch> placed;
    std::vector<int64_t> sightings;
    while (query.Step()) {
      TPlacedPatch slot;
      const int64_t sighting = query.Int(3);
      const TKind kind = KindOfRow(query.Int(4), "sighting", sighting);
      slot.id = query.Int(0);
      slot.bank = static_cast<int>(
          InRangeOfRow(query.Int(1), 0, BanksPerKind(kind) - 1, "sighting", "bank", sighting));
      slot.number = SlotOfRow(query.Int(2), kind, "sighting", sighting);
      slot.patch.kind = kind;
      placed.push_back(slot);
      sightings.push_back(sighting);
    }
    for (size_t i = 0; i < placed.size(); ++i) {
      const TKind kind = placed[i].patch.kind;
      placed[i].patch = Patch(placed[i].id).patch;
      // The file it exports to keeps each patch in a bank of its kind.
      if (placed[i].patch.kind != kind)
        RefuseRow("sighting", sightings[i], "names a patch of another kind than its own");
    }
    return placed;
  });
}

} // namespace zpm
