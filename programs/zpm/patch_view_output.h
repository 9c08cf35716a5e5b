// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patch viewer's texts as zpm prints them, for zpm show and zpm library show.

#include "viewer/patch_view.h"

#include <QString>

#include <string>

namespace zpm::cli {

// Caption, status-bar panels, hex dump and parameter rows, safe for a terminal.
QString PatchViewListing(const PatchViewText &view);
// The members "caption", "panels", "sysex" and "rows" of a JSON object,
// without the braces, so that callers can add their own.
std::string PatchViewJsonMembers(const PatchViewText &view);

} // namespace zpm::cli
