// SPDX-License-Identifier: GPL-3.0-or-later
// User banks: the musician's own banks of patches from the library.
#include "library/library.h"

#include "library/library_internal.h"
#include "library/library_values.h"

namespace zpm {

int64_t TLibrary::CreateUserBank(const std::string &name, TKind kind) {
  if (name.empty())
    throw TLibraryError("A user bank needs a name.");
  return Guarded(m_path, [&] {
    TStatement taken = m_db->Prepare("SELECT 1 FROM user_bank WHERE name = ?");
    taken.Bind(1, name);
    if (taken.Step())
      throw TLibraryError("There is a user bank named \"" + name + "\" already.");
    TStatement insert =
        m_db->Prepare("INSERT INTO user_bank (name, kind, created) VALUES (?, ?, ?)");
    insert.Bind(1, name).Bind(2, static_cast<int64_t>(kind)).Bind(3, NowMs()).Run();
    return m_db->LastInsertId();
  });
}

void TLibrary::RenameUserBank(int64_t bank, const std::string &name) {
  if (name.empty())
    throw TLibraryError("A user bank needs a name.");
  Guarded(m_path, [&] {
    TStatement taken = m_db->Prepare("SELECT 1 FROM user_bank WHERE name = ? AND id <> ?");
    taken.Bind(1, name).Bind(2, bank);
    if (taken.Step())
      throw TLibraryError("There is a user bank named \"" + name + "\" already.");
    TStatement update = m_db->Prepare("UPDATE user_bank SET name = ? WHERE id = ?");
    update.Bind(1, name).Bind(2, bank).Run();
  });
}

void TLibrary::DeleteUserBank(int64_t bank) {
  Guarded(m_path, [&] {
    TTransaction transaction(*m_db);
    TStatement slots = m_db->Prepare("DELETE FROM user_bank_slot WHERE bank_id = ?");
    slots.Bind(1, bank).Run();
    TStatement remove = m_db->Prepare("DELETE FROM user_bank WHERE id = ?");
    remove.Bind(1, bank).Run();
    transaction.Commit();
  });
}

void TLibrary::RestoreUserBank(const TUserBank &bank, const std::vector<int64_t> &slots) {
  if (bank.name.empty())
    throw TLibraryError("A user bank needs a name.");
  Guarded(m_path, [&] {
    TTransaction transaction(*m_db);
    TStatement taken = m_db->Prepare("SELECT 1 FROM user_bank WHERE name = ?");
    taken.Bind(1, bank.name);
    if (taken.Step())
      throw TLibraryError("There is a user bank named \"" + bank.name + "\" already.");
    TStatement insert =
        m_db->Prepare("INSERT INTO user_bank (id, name, kind, created) VALUES (?, ?, ?, ?)");
    insert.Bind(1, bank.id)
        .Bind(2, bank.name)
        .Bind(3, static_cast<int64_t>(bank.kind))
        .Bind(4, NowMs())
        .Run();
    transaction.Commit();
  });
  // Each slot through the same checks as any other.
  for (size_t slot = 0; slot < slots.size(); ++slot)
    if (slots[slot])
      SetUserBankSlot(bank.id, static_cast<int>(slot), slots[slot]);
}

std::vector<TUserBank> TLibrary::UserBanks() {
  return Guarded(m_path, [&] {
    TStatement query = m_db->Prepare(
        "SELECT b.id, b.name, b.kind, (SELECT count(*) FROM user_bank_slot WHERE bank_id = b.id) "
        "FROM user_bank b ORDER BY b.name");
    std::vector<TUserBank> banks;
    while (query.Step()) {
      TUserBank bank;
      bank.id = query.Int(0);
      bank.name = query.Text(1);
      bank.kind = KindOfRow(query.Int(2), "user_bank", bank.id);
      bank.filled = static_cast<int>(query.Int(3));
      banks.push_back(bank);
    }
    return banks;
  });
}

TUserBank TLibrary::UserBankNamed(const std::string &name) {
  for (const TUserBank &bank : UserBanks())
    if (bank.name == name)
      return bank;
  throw TLibraryError("The library has no user bank named \"" + name + "\".");
}

void TLibrary::SetUserBankSlot(int64_t bank, int slot, int64_t patch) {
  Guarded(m_path, [&] {
    TStatement kindOf = m_db->Prepare("SELECT kind FROM user_bank WHERE id = ?");
    kindOf.Bind(1, bank);
    if (!kindOf.Step())
      throw TLibraryError("The library has no user bank " + std::to_string(bank) + ".");
    const TKind kind = KindOfRow(kindOf.Int(0), "user_bank", bank);
    if (slot < 0 || slot >= SlotsPerBank(kind))
      throw TLibraryError("A bank of " + std::string(KindText(kind)) + " patches has slots 1 to " +
                          std::to_string(SlotsPerBank(kind)) + ".");
    if (patch == 0) {
      TStatement clear = m_db->Prepare("DELETE FROM user_bank_slot WHERE bank_id = ? AND slot = ?");
      clear.Bind(1, bank).Bind(2, static_cast<int64_t>(slot)).Run();
      return;
    }
    if (Patch(patch).patch.kind != kind)
      throw TLibraryError("Patch " + std::to_string(patch) + " is not a " + KindText(kind) +
                          " patch, so it cannot go into this bank.");
    TStatement put = m_db->Prepare(
        "INSERT OR REPLACE INTO user_bank_slot (bank_id, slot, patch_id) VALUES (?, ?, ?)");
    put.Bind(1, bank).Bind(2, static_cast<int64_t>(slot)).Bind(3, patch).Run();
  });
}

std::vector<int64_t> TLibrary::UserBankSlots(int64_t bank) {
  return Guarded(m_path, [&] {
    TStatement kindOf = m_db->Prepare("SELECT kind FROM user_bank WHERE id = ?");
    kindOf.Bind(1, bank);
    if (!kindOf.Step())
      throw TLibraryError("The library has no user bank " + std::to_string(bank) + ".");
    const TKind kind = KindOfRow(kindOf.Int(0), "user_bank", bank);
    std::vector<int64_t> slots(static_cast<size_t>(SlotsPerBank(kind)));
    TStatement query = m_db->Prepare("SELECT slot, patch_id FROM user_bank_slot WHERE bank_id = ?");
    query.Bind(1, bank);
    while (query.Step())
      slots[static_cast<size_t>(SlotOfRow(query.Int(0), kind, "user_bank", bank))] = query.Int(1);
    return slots;
  });
}

} // namespace zpm
