#pragma once
// Where a send's backup goes: backups/PREFIX-YYYYMMDD-HHMMSS.syx below the
// user's data folder, written whole or not at all.

#include "patch/patch.h"
#include "patch/stream.h"

#include <string>

namespace zpm {

// Returns the path written; raises ZpmError with a sentence for the user.
std::string SaveBackupFile(const char *prefix, const Bytes &bytes);

// The SID banks of a backup as a SID file ("sid-..."), the FM banks as an FM
// file ("fm-...").
std::string SaveSidBackup(const TPatchBank &banks);
std::string SaveFmBackup(const TFMPatchBank &banks);

} // namespace zpm
