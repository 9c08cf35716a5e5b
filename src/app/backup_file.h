// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a send's backup goes: backups/PREFIX-YYYYMMDD-HHMMSS.syx below the
// user's data folder, written whole or not at all.

#include "fm/fm_send.h"
#include "patch/patch.h"
#include "patch/stream.h"
#include "sid/sid_send.h"

#include <string>

namespace zpm {

// Returns the path written; raises ZpmError with a sentence for the user.
std::string SaveBackupFile(const char *prefix, const Bytes &bytes);

// The SID banks of a backup as a SID file ("sid-..."), the FM banks as an FM
// file ("fm-...").
std::string SaveSidBackup(const TPatchBank &banks);
std::string SaveFmBackup(const TFMPatchBank &banks);

class TMainContext;

// A window send's options: the Config page's device ID and pause (or
// acknowledge timeout), the backup and read-back as ticked, backups saved
// as above.
TSidSendOptions WindowSidSendOptions(const TMainContext &context, bool backup, bool verify);
TFmSendOptions WindowFmSendOptions(const TMainContext &context, bool backup, bool verify);

} // namespace zpm
