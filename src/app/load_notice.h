// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tells after loading a SID or FM file, beyond the patches
// shown: the patch the end of the file cut short, and the patches whose
// checksum does not match their data, in one message.

#include "fm/fm_file.h"
#include "sid/sid_file.h"

#include <QString>

namespace zpm {

// Empty when the load has nothing to tell.
QString SidLoadNotice(const TSidLoadReport &report, const TPatchBank &loaded);
QString FmLoadNotice(const TFmLoadReport &report, const TFMPatchBank &voices,
                     const TFMPatchBank &drums, const TFMPatchBank &ensembles);

} // namespace zpm
