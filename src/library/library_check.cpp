// SPDX-License-Identifier: GPL-3.0-or-later
// Checking the library and counting what it holds.
#include "library/library.h"

#include "library/library_internal.h"

#include <algorithm>
#include <filesystem>

namespace zpm {

namespace fs = std::filesystem;

std::vector<std::string> TLibrary::Check() {
  return Guarded(m_path, [&] {
    std::vector<std::string> problems;
    TStatement integrity = m_db->Prepare("PRAGMA integrity_check");
    while (integrity.Step())
      if (integrity.Text(0) != "ok")
        problems.push_back("The database: " + integrity.Text(0));
    TStatement keys = m_db->Prepare("PRAGMA foreign_key_check");
    while (keys.Step())
      problems.push_back("Row " + std::to_string(keys.Int(1)) + " of " + keys.Text(0) +
                         " names a " + keys.Text(2) + " that is not there.");
    TStatement patches = m_db->Prepare("SELECT id, hash, sound, kind, data FROM patch");
    while (patches.Step()) {
      TPatchBytes patch;
      const int64_t kind = patches.Int(3);
      const std::vector<uint8_t> data = patches.Blob(4);
      const std::string id = std::to_string(patches.Int(0));
      if (kind < 0 || kind >= kKindCount || data.size() != patch.data.size()) {
        problems.push_back("Patch " + id + " is not a whole patch of a known kind.");
        continue;
      }
      patch.kind = static_cast<TKind>(kind);
      std::copy(data.begin(), data.end(), patch.data.begin());
      if (PatchHash(patch) != patches.Text(1) || SoundHash(patch) != patches.Text(2))
        problems.push_back("Patch " + id + " has a hash that does not match its bytes.");
    }
    return problems;
  });
}

TLibraryStats TLibrary::Stats() {
  return Guarded(m_path, [&] {
    TLibraryStats stats;
    TStatement kinds = m_db->Prepare("SELECT kind, count(*) FROM patch GROUP BY kind");
    while (kinds.Step())
      if (kinds.Int(0) >= 0 && kinds.Int(0) < kKindCount)
        stats.patches[static_cast<size_t>(kinds.Int(0))] = kinds.Int(1);
    stats.files = m_db->Number("SELECT count(DISTINCT path) FROM file");
    stats.snapshots = m_db->Number("SELECT count(*) FROM snapshot");
    stats.userBanks = m_db->Number("SELECT count(*) FROM user_bank");
    std::error_code error;
    stats.bytes = static_cast<int64_t>(fs::file_size(m_path, error));
    if (error)
      stats.bytes = 0;
    return stats;
  });
}

} // namespace zpm
