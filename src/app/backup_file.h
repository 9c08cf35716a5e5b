#pragma once
// Where a send's backup goes: backups/PREFIX-YYYYMMDD-HHMMSS.syx below the
// user's data folder, written whole or not at all.

#include "patch/stream.h"

#include <string>

namespace zpm {

// Returns the path written; raises ZpmError with a sentence for the user.
std::string SaveBackupFile(const char *prefix, const Bytes &bytes);

} // namespace zpm
