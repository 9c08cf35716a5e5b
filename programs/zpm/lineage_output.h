// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A patch's parents and children as zpm library show tells them: which
// patches it was made from and which were made from it, and how.

#include "library/library.h"

#include <QString>

#include <string>

namespace zpm::cli {

// "Made from:" and "Made into:" paragraphs, one line per patch; empty when
// the patch has neither.
QString LineageText(TLibrary &library, int64_t id);
// The members "parents" and "children", each a list of
// {"id", "name", "how", "amount", "seed", "time"}.
std::string LineageJsonMembers(TLibrary &library, int64_t id);

} // namespace zpm::cli
